#pragma once

#include <QLabel>

class QMovie;

namespace qm {

// The animated banner at the top of the window (Image1). A click opens the maker's
// page; the animation runs only while the banner is on screen.
class Banner : public QLabel {
    Q_OBJECT
public:
    explicit Banner(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QMovie* movie_;
};

} // namespace qm
