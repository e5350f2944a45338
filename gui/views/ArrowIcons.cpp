#include "views/ArrowIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "views/StatisticsRows.h"

namespace kelvor::gui {

QColor ArrowIcons::arrowColour(int index) {
  switch (index) {
    case IconInterrupt:
      return QColor(0, 0, 255);
    case IconPriorityTop:
      return QColor(0, 128, 0);
    case IconPriorityHigh:
    case IconUserMark:
      return QColor(0, 255, 0);
    case IconPriorityLow:
      return QColor(255, 0, 255);
    case IconPriorityUnknown:
    case IconUserEnterExit:
      return QColor(255, 0, 0);
    case IconPriorityLowest:
      return QColor(128, 0, 128);
    case IconPriorityMedium:
      return QColor(128, 128, 0);
    case IconPriorityRaised:
    case IconPseudoProcess:
      return QColor(255, 255, 0);
    default:
      return QColor();
  }
}

bool ArrowIcons::onBlack(int index) {
  return index == IconUserEnterExit || index == IconUserMark || index == IconPseudoProcess;
}

QImage ArrowIcons::image(int index) const {
  QImage image(size_, size_, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  if (index < 0 || index >= ArrowIconCount) {
    return image;
  }
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing, false);
  if (onBlack(index)) {
    painter.fillRect(QRect(1, 1, size_ - 2, size_ - 2), Qt::black);
  }
  // A right-pointing arrow: a shaft and a triangular head, centred in the square.
  const double s = size_;
  QPainterPath arrow;
  arrow.moveTo(s * 0.15, s * 0.38);
  arrow.lineTo(s * 0.50, s * 0.38);
  arrow.lineTo(s * 0.50, s * 0.18);
  arrow.lineTo(s * 0.88, s * 0.50);
  arrow.lineTo(s * 0.50, s * 0.82);
  arrow.lineTo(s * 0.50, s * 0.62);
  arrow.lineTo(s * 0.15, s * 0.62);
  arrow.closeSubpath();
  painter.fillPath(arrow, arrowColour(index));
  return image;
}

ArrowIcons::ArrowIcons(int size) : size_(size) {
  for (int index = 0; index < ArrowIconCount; ++index) {
    icons_.emplace_back(QPixmap::fromImage(image(index)));
  }
}

const QIcon& ArrowIcons::icon(int index) const {
  if (index < 0 || index >= static_cast<int>(icons_.size())) {
    return none_;
  }
  return icons_[static_cast<std::size_t>(index)];
}

}  // namespace kelvor::gui
