// A column of short texts in a box's margin, one beside each line of its text that has one,
// with a tooltip of its own. For texts of millions of lines it makes only the texts of the lines
// on screen, as they come into view, and keeps none of its own: the caller's function answers
// for any line. The texts go when the box's text changes, by an edit or a new document.
#pragma once

#include <QObject>
#include <QString>
#include <cstddef>
#include <functional>
#include <vector>

class CEdit;

class CLineMargin : public QObject {
    Q_OBJECT

public:
    struct Mark {
        QString text; // beside the line; empty for none
        QString tip;  // when the mark is hovered; empty for none
    };
    // The mark of a line of the text (lines counted from 0 as the text has them, not as rows).
    using MarkOf = std::function<Mark(std::size_t line)>;

    // A margin of pEdit, hidden until Show; its text is aligned to the right with bRightAligned.
    CLineMargin(CEdit* pEdit, bool bRightAligned);

    // Shows markOf's marks beside the box's current text of textLines lines, in a margin wide
    // enough for widest.
    void Show(MarkOf markOf, std::size_t textLines, const QString& widest);
    // Hides the margin and forgets the marks.
    void Clear();

    // The mark beside the editor's line (a row of a long line has none of its own).
    Mark MarkAt(long editorLine) const;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void MarkVisibleLines();
    // Forgets the marks when the box shows another document than the one they belong to.
    bool Stale();

    CEdit* m_pEdit;
    MarkOf m_markOf;
    void* m_document = nullptr;
    std::vector<long> m_rows; // editor lines that continue a long line, in order
    long m_firstMarked = -1;
    long m_lastMarked = -1;
};
