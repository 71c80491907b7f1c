#include "platform/JapaneseTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

// The text boxes' context menu. Debian's QScintilla has no Japanese catalogue, and these seven
// are all the texts of it that the program shows; the wording is the Japanese edit control's.
class EditMenuTranslator : public QTranslator {
public:
    using QTranslator::QTranslator;

    bool isEmpty() const override { return false; }

    QString translate(const char* context, const char* sourceText, const char* /*disambiguation*/,
                      int /*n*/) const override {
        if (qstrcmp(context, "QsciScintilla") != 0)
            return {};
        static const struct {
            const char* source;
            const char16_t* japanese;
        } kTexts[] = {
            {"&Undo", u"元に戻す(&U)"},        {"&Redo", u"やり直し(&R)"},
            {"Cu&t", u"切り取り(&T)"},         {"&Copy", u"コピー(&C)"},
            {"&Paste", u"貼り付け(&P)"},       {"Delete", u"削除(&D)"},
            {"Select All", u"すべて選択(&A)"},
        };
        for (const auto& text : kTexts)
            if (qstrcmp(sourceText, text.source) == 0)
                return QString::fromUtf16(text.japanese);
        return {};
    }
};

} // namespace

void InstallJapaneseTranslations(QCoreApplication& app) {
    auto* qt = new QTranslator(&app);
    if (qt->load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    QCoreApplication::installTranslator(new EditMenuTranslator(&app));
}
