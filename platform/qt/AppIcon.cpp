#include "platform/AppIcon.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>

#include "platform/Backend.h"
#include "platform/Graphics.h"

void SetApplicationIcon(TBitmap* Icon)
{
    morvik::backend::EnsureToolkit();
    const QImage* image = Icon && !Icon->Empty() ? morvik::backend::BitmapImage(Icon->Handle()) : nullptr;
    QApplication::setWindowIcon(image ? QIcon(QPixmap::fromImage(*image)) : QIcon());
}
