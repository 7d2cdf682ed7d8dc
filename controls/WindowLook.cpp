#include "WindowLook.h"

#include <QFont>
#include <QPalette>
#include <QWidget>

namespace pace {

void SetDesignLook(QWidget* window) {
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, SkyBlue);
    window->setPalette(palette);
    window->setAutoFillBackground(true);

    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans")});
    font.setPointSize(8);
    font.setWeight(QFont::Normal);
    font.setStyle(QFont::StyleNormal);
    window->setFont(font);
}

}  // namespace pace
