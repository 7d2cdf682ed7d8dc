#include "CurveGrid.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyledItemDelegate>

namespace TSetupMain {

// Line editors that write every change into the cell at once and keep the editor open where
// a plain item view would close it.
class LiveEditDelegate : public QStyledItemDelegate {
public:
    explicit LiveEditDelegate(CurveGrid* grid) : QStyledItemDelegate(grid), Grid_(grid) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        auto* editor = new QLineEdit(parent);
        editor->setFrame(false);
        editor->setFont(option.font);
        connect(editor, &QLineEdit::textEdited, this,
                [this, editor] { const_cast<LiveEditDelegate*>(this)->commitData(editor); });
        Q_UNUSED(index);
        return editor;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        // A cell written from the editor's own text must not move the editor's cursor.
        auto* line = static_cast<QLineEdit*>(editor);
        const QString text = index.data(Qt::EditRole).toString();
        if (line->text() != text) line->setText(text);
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        auto* editor = qobject_cast<QLineEdit*>(object);
        if (editor && event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            const int column = Grid_->currentIndex().column();
            switch (key->key()) {
                case Qt::Key_Left:
                    if (key->modifiers() == Qt::NoModifier && AtLeftSide(editor)) {
                        Grid_->MoveTo(column - 1);
                        return true;
                    }
                    break;
                case Qt::Key_Right:
                    if (key->modifiers() == Qt::NoModifier && AtRightSide(editor)) {
                        Grid_->MoveTo(column + 1);
                        return true;
                    }
                    break;
                case Qt::Key_Return:
                case Qt::Key_Enter:
                case Qt::Key_Escape:
                    // The editor stays open; the cell holds every keystroke already.
                    editor->selectAll();
                    return true;
                default:
                    break;
            }
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    struct Span {
        int Start;
        int End;
    };
    static Span Selection(const QLineEdit* editor) {
        if (!editor->hasSelectedText()) return {editor->cursorPosition(), editor->cursorPosition()};
        const int start = editor->selectionStart();
        return {start, start + editor->selectionLength()};
    }
    // The cursor at the start with nothing selected, or the whole text selected.
    static bool AtLeftSide(const QLineEdit* editor) {
        const Span s = Selection(editor);
        return s.Start == 0 && (s.End == 0 || s.End == editor->text().size());
    }
    // The cursor at the end with nothing selected, or the whole text selected.
    static bool AtRightSide(const QLineEdit* editor) {
        const Span s = Selection(editor);
        return (s.Start == 0 || s.End == s.Start) && s.End == editor->text().size();
    }

    CurveGrid* Grid_;
};

CurveGrid::CurveGrid(int columns, int cellWidth, QWidget* parent)
    : QTableWidget(1, columns, parent) {
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setMinimumSectionSize(0);
    verticalHeader()->setMinimumSectionSize(0);
    // The grid line is drawn inside each section: one more pixel than the cell.
    for (int c = 0; c < columns; ++c) setColumnWidth(c, cellWidth + 1);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setShowGrid(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::AllEditTriggers);
    setTabKeyNavigation(true);
    setAutoScroll(false);
    setWordWrap(false);
    setItemDelegate(new LiveEditDelegate(this));
    for (int c = 0; c < columns; ++c) setItem(0, c, new QTableWidgetItem(QString()));
    FocusConnection_ = connect(qApp, &QApplication::focusChanged, this, &CurveGrid::FocusChanged);
}

CurveGrid::~CurveGrid() { disconnect(FocusConnection_); }

QString CurveGrid::CellText(int column) const {
    const QTableWidgetItem* cell = item(0, column);
    return cell ? cell->text() : QString();
}

void CurveGrid::SetCellText(int column, const QString& text) { item(0, column)->setText(text); }

void CurveGrid::ClearCurrentCell() {
    Quiet_ = true;
    clearSelection();
    setCurrentIndex(QModelIndex());
    Quiet_ = false;
}

bool CurveGrid::HasFocusWithin() const {
    const QWidget* focus = window()->focusWidget();
    return focus && Within(focus);
}

void CurveGrid::FitRowHeight() { setRowHeight(0, height() - 2 * frameWidth()); }

QLineEdit* CurveGrid::Editor() const {
    return qobject_cast<QLineEdit*>(indexWidget(currentIndex()));
}

void CurveGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableWidget::currentChanged(current, previous);
    if (!Quiet_ && current.isValid()) emit CellClicked();
}

void CurveGrid::mousePressEvent(QMouseEvent* event) {
    const QModelIndex before = currentIndex();
    QTableWidget::mousePressEvent(event);
    const QModelIndex at = indexAt(event->position().toPoint());
    // A click on the cell that is current already changes nothing above: it counts as a
    // click all the same, and opens the editor again if it was closed.
    if (at.isValid() && at == before && at == currentIndex()) {
        if (state() != EditingState) edit(at);
        emit CellClicked();
    }
}

void CurveGrid::focusInEvent(QFocusEvent* event) {
    // Also when the focus comes back from a box that closed the editor as it opened.
    QTableWidget::focusInEvent(event);
    if (currentIndex().isValid() && state() != EditingState) edit(currentIndex());
}

void CurveGrid::MoveTo(int column) {
    if (column < 0 || column >= columnCount()) return;
    setCurrentIndex(model()->index(0, column));
}

void CurveGrid::FocusChanged(QWidget* old, QWidget* now) {
    if (!old || !now || !Within(old) || Within(now)) return;
    // Focus that goes to another window (a message box) is no exit from the grid.
    if (now->window() != window()) return;
    emit Exited();
}

bool CurveGrid::Within(const QWidget* widget) const {
    return widget == this || isAncestorOf(widget);
}

}  // namespace TSetupMain
