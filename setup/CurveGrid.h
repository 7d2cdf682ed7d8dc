// The one-row grid of the curve points: editable cells, the editor always open in the current
// cell, every keystroke written to the cell at once, Tab and the arrow keys moving from cell
// to cell.
#pragma once

#include <QTableWidget>

class QLineEdit;

namespace TSetupMain {

class CurveGrid : public QTableWidget {
    Q_OBJECT
public:
    // `cellWidth` is the width of a cell without its grid line.
    CurveGrid(int columns, int cellWidth, QWidget* parent = nullptr);
    ~CurveGrid() override;

    [[nodiscard]] QString CellText(int column) const;
    void SetCellText(int column, const QString& text);
    // No current cell and no selection, so that no cell is drawn as selected.
    void ClearCurrentCell();
    // True while the grid or its editor is the window's focus widget (also while the window
    // itself is not active).
    [[nodiscard]] bool HasFocusWithin() const;
    // Fits the row to the height of the grid.
    void FitRowHeight();
    // The editor of the current cell, if one is open.
    [[nodiscard]] QLineEdit* Editor() const;

signals:
    // A cell was clicked, or another cell was made current with the keyboard.
    void CellClicked();
    // The keyboard focus moved from the grid to another control of the same window.
    void Exited();

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    friend class LiveEditDelegate;
    // Makes the cell `column` current, if there is one (the arrow keys do not wrap).
    void MoveTo(int column);
    void FocusChanged(QWidget* old, QWidget* now);
    [[nodiscard]] bool Within(const QWidget* widget) const;

    bool Quiet_ = false;  // the current cell is being changed by the program, not the user
    QMetaObject::Connection FocusConnection_;
};

}  // namespace TSetupMain
