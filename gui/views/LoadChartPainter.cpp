#include "views/LoadChartPainter.h"

#include <QFontMetrics>
#include <QPaintDevice>
#include <QPolygon>
#include <QTransform>
#include <algorithm>

namespace kelvor::gui {

namespace {

const QColor Black(0, 0, 0);
const QColor Grey(200, 200, 200);
const QColor LightBlue(192, 192, 255);
const QColor LightYellow(255, 255, 128);
const QColor LabelRed(255, 0, 0);
const QColor LabelWhite(255, 255, 255);
const QColor NameYellow(255, 255, 220);

constexpr int FramePenWidth = 2;
constexpr double PrintedChartShare = 10.0 / 11.0;

QFont chartFont(const char* family, int pixelSize, int weight, bool italic, bool underline) {
  QFont font(family);
  font.setPixelSize(std::max(1, pixelSize));
  font.setWeight(static_cast<QFont::Weight>(weight));
  font.setItalic(italic);
  font.setUnderline(underline);
  return font;
}

QString text(const std::string& value) {
  return QString::fromStdString(value);
}

// Draws text that reads upwards from `origin`, on a filled background when `background` is
// valid.
void drawUpward(QPainter& painter, const QTransform& base, UpwardTextOrigin origin,
                const QString& value, const QSize& size, int ascent, const QColor& background) {
  painter.setTransform(QTransform(0, -1, 1, 0, origin.x, origin.y) * base);
  if (background.isValid()) {
    painter.fillRect(QRect(QPoint(0, 0), size), background);
  }
  painter.drawText(QPoint(0, ascent), value);
}

void paintFrame(QPainter& painter, const LoadChartGeometry& g, const LoadChartFonts& fonts) {
  const int t = g.tick;
  painter.setPen(QPen(Black, FramePenWidth));
  painter.drawLine(g.x0, g.base + t, g.x0, g.axisTop);
  painter.drawPolyline(QPolygon({QPoint(g.x0 - t / 2, g.axisTop + t), QPoint(g.x0, g.axisTop),
                                 QPoint(g.x0 + t / 2, g.axisTop + t)}));
  painter.drawLine(g.x0 - t, g.base, g.axisRight, g.base);
  painter.drawPolyline(
      QPolygon({QPoint(g.axisRight - t, g.base - t / 2), QPoint(g.axisRight, g.base),
                QPoint(g.axisRight - t, g.base + t / 2)}));

  painter.setFont(fonts.axis);
  const QFontMetrics metrics = painter.fontMetrics();
  const QPen tickPen(Black, FramePenWidth);
  const QPen gridPen(Grey, 1);
  for (const LoadScaleMark& mark : loadScaleMarks(g)) {
    painter.setPen(tickPen);
    const QString value = QString::number(mark.percent);
    painter.drawText(QRect(g.x0 - 3 * t, mark.y - metrics.height() / 2,
                           metrics.horizontalAdvance(value), metrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, value);
    painter.drawLine(g.x0 - t / 3, mark.y, g.x0 + t / 3, mark.y);
    painter.setPen(gridPen);
    painter.drawLine(g.x0 + t / 3 + 1, mark.y, g.chartRight(), mark.y);
  }
  painter.setPen(Black);
  const QString caption = LoadChartAxisCaption;
  const int captionWidth = metrics.horizontalAdvance(caption);
  painter.drawText(QRect(g.x0 + t - captionWidth / 2, g.axisTop - metrics.height(), captionWidth,
                         metrics.height()),
                   Qt::AlignCenter, caption);

  painter.setFont(fonts.title);
  const QFontMetrics titleMetrics = painter.fontMetrics();
  const QString title = LoadChartTitle;
  const int titleWidth = titleMetrics.horizontalAdvance(title);
  painter.drawText(QRect(g.width / 2 - titleWidth / 2, 2 * t, titleWidth, titleMetrics.height()),
                   Qt::AlignCenter, title);
}

// The bars in [range) as rectangles, one batch per brush.
void paintBars(QPainter& painter, const LoadChartGeometry& g, const LoadChartContent& content,
               LoadBarRange range) {
  QVector<QRect> batches[2];
  for (std::size_t i = range.first; i < range.last; ++i) {
    const LoadBarRect r = loadBarRect(g, i, content.bars[i].share);
    // The outline covers left..right - 1 and top..bottom - 1; a pen-drawn QRect covers one
    // pixel more than its size.
    batches[static_cast<int>(loadBarBrush(i))].push_back(
        QRect(r.left, r.top, r.right - r.left - 1, r.bottom - r.top - 1));
  }
  painter.setPen(QPen(Black, 1));
  painter.setBrush(LightBlue);
  painter.drawRects(batches[static_cast<int>(LoadBarBrush::LightBlue)]);
  painter.setBrush(LightYellow);
  painter.drawRects(batches[static_cast<int>(LoadBarBrush::LightYellow)]);
  painter.setBrush(Qt::NoBrush);
}

void paintLabels(QPainter& painter, const LoadChartGeometry& g, const LoadChartContent& content,
                 const LoadChartFonts& fonts, LoadBarRange range) {
  const QTransform base = painter.transform();
  const QFontMetrics labelMetrics(fonts.label, painter.device());
  const QFontMetrics nameMetrics(fonts.bold, painter.device());
  painter.setPen(LabelRed);
  painter.setFont(fonts.label);
  for (std::size_t i = range.first; i < range.last; ++i) {
    const LoadBar& bar = content.bars[i];
    const QString percent = text(bar.percentText);
    const QSize size(labelMetrics.horizontalAdvance(percent), labelMetrics.height());
    const int top = loadBarRect(g, i, bar.share).top;
    drawUpward(painter, base,
               loadPercentLabelOrigin(g, i, top, bar.share, size.width(), size.height()), percent,
               size, labelMetrics.ascent(), LabelWhite);
  }
  painter.setPen(Black);
  painter.setFont(fonts.bold);
  for (std::size_t i = range.first; i < range.last; ++i) {
    const QString name = text(content.bars[i].nameText);
    const QSize size(nameMetrics.horizontalAdvance(name), nameMetrics.height());
    drawUpward(painter, base, loadNameLabelOrigin(g, i, size.width(), size.height()), name, size,
               nameMetrics.ascent(), NameYellow);
  }
  painter.setTransform(base);
}

}  // namespace

LoadChartFonts LoadChartFonts::screen() {
  return LoadChartFonts{
      chartFont("Courier New", 15, 400, false, false), chartFont("Arial", 14, 400, true, false),
      chartFont("Arial", 15, 700, false, false), chartFont("Times New Roman", 24, 700, true, true)};
}

LoadChartFonts LoadChartFonts::printer(int logicalDpiY) {
  const int unit = logicalDpiY / 72;
  return LoadChartFonts{chartFont("Courier New", 10 * unit, 400, false, false),
                        chartFont("Arial", 8 * unit, 400, true, false),
                        chartFont("Arial", 10 * unit, 700, false, false),
                        chartFont("Times New Roman", 18 * unit, 700, true, true)};
}

void paintLoadChart(QPainter& painter, const LoadChartContent& content, int width, int height,
                    const LoadChartFonts& fonts, const QRect& exposed) {
  if (!content.hasData) {
    return;
  }
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setBackgroundMode(Qt::TransparentMode);
  const LoadChartGeometry g = loadChartGeometry(width, height, content.entryCount);
  paintFrame(painter, g, fonts);

  // Labels reach beyond their bar by up to their own extent: widen the exposed columns by the
  // longest label's reach so that a label of a bar just outside is not cut off.
  const QFontMetrics labelMetrics(fonts.label, painter.device());
  const int reach = labelMetrics.horizontalAdvance("100.00") * 9 / 8 + labelMetrics.height() +
                    QFontMetrics(fonts.bold, painter.device()).height();
  const LoadBarRange range = loadBarsInColumns(g, content.bars.size(), exposed.left() - reach,
                                               exposed.right() + 1 + reach);
  paintBars(painter, g, content, range);
  paintLabels(painter, g, content, fonts, range);
}

void paintLoadChartPage(QPainter& painter, const LoadChartContent& content,
                        const QString& pathName) {
  QPaintDevice& device = *painter.device();
  painter.setPen(Black);
  const QFontMetrics metrics = painter.fontMetrics();
  painter.drawText(QPoint(0, metrics.ascent()), pathName);

  const int width = device.width();
  const int height = static_cast<int>(device.height() * PrintedChartShare);
  LoadChartFonts fonts = LoadChartFonts::printer(device.logicalDpiY());
  const LoadChartGeometry g = loadChartGeometry(width, height, content.entryCount);
  const int xWidth = QFontMetrics(fonts.label, &device).horizontalAdvance('X');
  fonts.bold.setPixelSize(printedNamePixelSize(fonts.bold.pixelSize(), xWidth, g.barWidth));
  paintLoadChart(painter, content, width, height, fonts, QRect(0, 0, width, height));
}

}  // namespace kelvor::gui
