// TNumEdit: a single-line edit box holding a floating-point value shown with a set number of
// decimals. Any text may be typed; it becomes the value when Value() is read.
#pragma once

#include <QLineEdit>

class TNumEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TNumEdit(QWidget* owner = nullptr);

    // Parses the text; keeps the previous value when it is not a number a double can hold;
    // shows the value again. Never throws.
    double Value();
    void SetValue(double value);
    [[nodiscard]] int Decimals() const { return FDecimals; }
    void SetDecimals(int decimals);

private:
    void ShowValue();

    double FValue = 0;
    int FDecimals = 0;
};
