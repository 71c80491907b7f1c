#include "platform/DialogBuilder.h"

#include "platform/ComboBoxEx.h"
#include "platform/Edit.h"
#include "platform/EditBrowseCtrl.h"
#include "platform/LinkCtrl.h"
#include "platform/QtStrings.h"

#include <QApplication>
#include <QDialog>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

using namespace dlgstyle;

namespace {

bool Has(std::uint32_t style, std::uint32_t bits) {
    return (style & bits) == bits;
}

// Windows drops a single "&" from static texts (it marks a mnemonic) and shows "&&" as "&".
QString WithoutPrefixMarks(const QString& caption) {
    QString shown;
    shown.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size())
            ++i;
        else if (caption[i] == u'&')
            continue;
        shown += caption[i];
    }
    return shown;
}

QWidget* CreateStatic(const DialogItemTemplate& item, QWidget* parent, IconLoader loadIcon) {
    const std::uint32_t kind = item.style & 0x1F;
    if (kind == SS_GRAYFRAME) {
        auto* frame = new QFrame(parent);
        frame->setFrameShape(QFrame::Box);
        frame->setFrameShadow(QFrame::Plain);
        frame->setForegroundRole(QPalette::Mid);
        return frame;
    }
    auto* label = new QLabel(parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (kind == SS_ICON) {
        // The caption names the icon resource ("#128"); the icon keeps its own size.
        const int extent = label->style()->pixelMetric(QStyle::PM_LargeIconSize);
        if (loadIcon && item.caption.starts_with('#'))
            label->setPixmap(loadIcon(ToQString(item.caption.substr(1)).toInt()).pixmap(extent));
        return label;
    }
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true); // what does not fit on the first line wraps below, out of sight
    const QString caption = ToQString(item.caption);
    label->setText(Has(item.style, SS_NOPREFIX) ? caption : WithoutPrefixMarks(caption));
    return label;
}

QWidget* CreateControl(const DialogItemTemplate& item, QWidget* parent, IconLoader loadIcon) {
    const std::string_view cls = item.windowClass;
    if (cls == "Button") {
        auto* button = new QPushButton(ToQString(item.caption), parent);
        button->setDefault((item.style & 0xF) == BS_DEFPUSHBUTTON);
        return button;
    }
    if (cls == "Static")
        return CreateStatic(item, parent, loadIcon);
    if (cls == "Edit") {
        auto* edit = new CEdit(parent);
        edit->setReadOnly(Has(item.style, ES_READONLY));
        return edit;
    }
    if (cls == "ComboBoxEx32")
        return new CComboBoxEx(parent);
    if (cls == "MfcEditBrowse")
        return new CMFCEditBrowseCtrl(parent);
    if (cls == "MfcLink") {
        auto* link = new CMFCLinkCtrl(parent);
        link->setText(ToQString(item.caption));
        return link;
    }
    qFatal("Dialog template: no control for window class \"%.*s\"", static_cast<int>(cls.size()),
           cls.data());
}

// A combo box's height on the screen is that of its closed field; the template's height also
// counts the list that drops down.
QRect PlaceOf(const DialogItemTemplate& item, QWidget* control, DialogBaseUnits units) {
    QRect place = MapDialogRect(QRect(item.x, item.y, item.cx, item.cy), units);
    if (qobject_cast<CComboBoxEx*>(control))
        place.setHeight(std::min(place.height(), control->sizeHint().height()));
    return place;
}

void AddMenuItems(QMenu& menu, std::span<const MenuCommandTemplate> items,
                  QHash<unsigned, QAction*>& commands) {
    for (const MenuCommandTemplate& item : items) {
        if (!item.submenu.empty()) {
            QMenu* submenu = menu.addMenu(ToQString(item.text));
            submenu->menuAction()->setObjectName(ToQString(item.name));
            AddMenuItems(*submenu, item.submenu, commands);
            continue;
        }
        QAction* action = menu.addAction(ToQString(item.text));
        action->setObjectName(ToQString(item.name));
        action->setCheckable(item.checkable);
        commands.insert(item.id, action);
    }
}

QMenuBar* CreateMenuBar(const MenuTemplate& menu, QDialog& dialog,
                        QHash<unsigned, QAction*>& commands, QHash<unsigned, QMenu*>& popups) {
    auto* menuBar = new QMenuBar(&dialog);
    menuBar->setNativeMenuBar(false); // above the client area, as the template places it
    for (const MenuPopupTemplate& popup : menu.popups) {
        QMenu* added = menuBar->addMenu(ToQString(popup.text));
        AddMenuItems(*added, popup.items, commands);
        if (popup.id != 0)
            popups.insert(popup.id, added);
    }
    return menuBar;
}

// A window larger than the screen's free area would leave its lower buttons out of reach. The
// layout is in dialog units, so a smaller font shrinks it whole and keeps its proportions. The
// frame is not known before the window is shown; the style's title bar and a border stand in.
void FitIntoScreen(QDialog& dialog, const DialogTemplate& tpl, const QMenuBar* menuBar) {
    const QScreen* screen = dialog.screen();
    if (!screen)
        return;
    const int nBorder = 4;
    const QSize frame(2 * nBorder,
                      dialog.style()->pixelMetric(QStyle::PM_TitleBarHeight) + nBorder);
    // The menu bar's line follows the font; its padding does not.
    const int nMenuPadding =
        menuBar ? menuBar->sizeHint().height() - QFontMetrics(dialog.font()).height() : 0;
    const auto extraFor = [&](const QFont& font) {
        return frame + QSize(0, menuBar ? QFontMetrics(font).height() + nMenuPadding : 0);
    };
    // A label that shows whole at the template's font stays whole: the units of a smaller font
    // round on their own, and can leave a label a pixel short of its text ("ファイル選").
    const auto fitsIn = [](const QFont& font, const DialogItemTemplate& item) {
        return QFontMetrics(font).horizontalAdvance(WithoutPrefixMarks(ToQString(item.caption))) <=
               MapDialogRect(QRect(0, 0, item.cx, item.cy), GetDialogBaseUnits(font)).width();
    };
    std::vector<const DialogItemTemplate*> whole;
    for (const DialogItemTemplate& item : tpl.items)
        if (item.windowClass == "Static" && (item.style & 0x1F) == SS_LEFT &&
            fitsIn(dialog.font(), item))
            whole.push_back(&item);
    const auto keepsLabelsWhole = [&](const QFont& font) {
        return std::all_of(whole.begin(), whole.end(),
                           [&](const DialogItemTemplate* item) { return fitsIn(font, *item); });
    };
    dialog.setFont(FitDialogFont(dialog.font(), QSize(tpl.cx, tpl.cy), screen->availableSize(),
                                 extraFor, keepsLabelsWhole));
}

} // namespace

BuiltDialog BuildDialog(QDialog& dialog, const DialogTemplate& tpl, IconLoader loadIcon) {
    BuiltDialog built;
    dialog.setFont(DialogFont(tpl.fontFace, tpl.pointSize));

    dialog.setWindowTitle(ToQString(tpl.caption));
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (Has(tpl.style, WS_SYSMENU))
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    dialog.setWindowFlags(flags);
    dialog.setSizeGripEnabled(false);

    auto* layout = new QVBoxLayout(&dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize); // no resizing, no maximizing
    if (tpl.menu) {
        built.menuBar = CreateMenuBar(*tpl.menu, dialog, built.commands, built.popups);
        layout->setMenuBar(built.menuBar);
    }
    FitIntoScreen(dialog, tpl, built.menuBar);
    built.baseUnits = GetDialogBaseUnits(dialog.font());
    built.client = new QWidget(&dialog);
    built.client->setFixedSize(MapDialogRect(QRect(0, 0, tpl.cx, tpl.cy), built.baseUnits).size());
    layout->addWidget(built.client);

    QWidget* previousTabStop = nullptr;
    QWidget* firstFocus = nullptr;
    for (const DialogItemTemplate& item : tpl.items) {
        QWidget* control = CreateControl(item, built.client, loadIcon);
        if (auto* browse = qobject_cast<CMFCEditBrowseCtrl*>(control))
            browse->SetName(ToQString(item.name));
        else
            control->setObjectName(ToQString(item.name));
        control->setGeometry(PlaceOf(item, control, built.baseUnits));
        control->setVisible(Has(item.style, WS_VISIBLE));
        control->setEnabled(!Has(item.style, WS_DISABLED));
        if (item.id != -1)
            built.controls.insert(item.id, control);

        if (control->focusPolicy() == Qt::NoFocus)
            continue;
        if (!Has(item.style, WS_TABSTOP)) {
            control->setFocusPolicy(Qt::ClickFocus);
            continue;
        }
        control->setFocusPolicy(Qt::StrongFocus);
        if (previousTabStop)
            QWidget::setTabOrder(previousTabStop, control);
        previousTabStop = control;
        if (!firstFocus && Has(item.style, WS_VISIBLE) && !Has(item.style, WS_DISABLED))
            firstFocus = control;
    }
    if (firstFocus)
        firstFocus->setFocus(Qt::TabFocusReason);
    return built;
}
