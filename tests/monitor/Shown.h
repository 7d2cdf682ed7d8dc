// What the test window's telemetry controls show, in one line for readable failures.
#pragma once

#include <QColor>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QProgressBar>
#include <sstream>
#include <string>

#include "TTMain.h"

namespace pace::testing {

inline const QColor SkyBlue(166, 202, 240);
inline const QColor Yellow(255, 255, 0);

inline std::string Shown(const TTMain::TForm1& form) {
    std::ostringstream out;
    const QColor lc = form.LC->palette().color(QPalette::Window);
    out << "throttle " << form.Throttle->value() << ", brake " << form.Brake->value() << ", LC "
        << (lc == Yellow    ? "yellow"
            : lc == SkyBlue ? "sky blue"
                            : lc.name().toStdString())
        << ", PIN " << form.PIN->text().toStdString() << ", version '"
        << form.Version->text().toStdString() << "', "
        << (form.NoSignal->isHidden() ? "no signal hidden" : "no signal shown");
    return out.str();
}

}  // namespace pace::testing
