// The look both windows share: the sky-blue background and the design font.
#pragma once

#include <QColor>

class QWidget;

namespace pace {

inline constexpr QColor SkyBlue(166, 202, 240);

// Sky-blue background and the design font, 8 points regular: MS Sans Serif, or where it is
// missing Liberation Sans, whose metrics leave no caption of the designs clipped.
void SetDesignLook(QWidget* window);

}  // namespace pace
