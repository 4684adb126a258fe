#include "Banner.h"

#include <QMouseEvent>
#include <QMovie>

namespace qm {

Banner::Banner(QWidget* parent)
    : QLabel(parent), movie_(new QMovie(QStringLiteral(":/quillmark/banner.gif"), {}, this)) {
    setObjectName(QStringLiteral("Image1"));
    setAttribute(Qt::WA_TranslucentBackground);
    setAlignment(Qt::AlignCenter);
    setCursor(Qt::PointingHandCursor);
    setMovie(movie_);
    movie_->jumpToFrame(0); // so the first picture shows before the animation starts
}

void Banner::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

void Banner::showEvent(QShowEvent* event) {
    QLabel::showEvent(event);
    if (movie_->state() != QMovie::Running)
        movie_->start();
}

void Banner::hideEvent(QHideEvent* event) {
    QLabel::hideEvent(event);
    movie_->setPaused(true);
}

} // namespace qm
