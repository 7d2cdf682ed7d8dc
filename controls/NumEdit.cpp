#include "NumEdit.h"

#include <cmath>

#include "LocaleNumber.h"

namespace {

// Extended values from this magnitude on round to infinity as a double (halfway between
// DBL_MAX and 2^1024 rounds to the even side, 2^1024).
constexpr pace::Extended kDoubleOverflow = 0x1p1024L - 0x1p970L;

// The edit box shows its value with at most 15 significant digits.
constexpr int kPrecision = 15;

}  // namespace

TNumEdit::TNumEdit(QWidget* owner) : QLineEdit(owner) { ShowValue(); }

double TNumEdit::Value() {
    const std::optional<pace::Extended> parsed = pace::ParseLocalNumber(text());
    if (parsed && std::fabs(*parsed) < kDoubleOverflow) FValue = static_cast<double>(*parsed);
    ShowValue();
    return FValue;
}

void TNumEdit::SetValue(double value) {
    FValue = value;
    ShowValue();
}

// A negative number of decimals is kept as given and shows whole numbers.
void TNumEdit::SetDecimals(int decimals) {
    FDecimals = decimals;
    ShowValue();
}

void TNumEdit::ShowValue() { setText(pace::FormatLocalNumber(FValue, kPrecision, FDecimals)); }
