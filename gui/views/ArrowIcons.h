#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <vector>

namespace kelvor::gui {

// The eleven arrow images of the views, painted at the given size: index 0 blue, 1 dark green,
// 2 bright green, 3 magenta, 4 red, 5 red on black, 6 bright green on black, 7 purple, 8 olive,
// 9 yellow, 10 yellow on black. The background is transparent where the images have white.
class ArrowIcons {
 public:
  explicit ArrowIcons(int size);

  // The icon of an index, or a null icon for NoIcon and other indices.
  const QIcon& icon(int index) const;
  QImage image(int index) const;
  // The arrow colour of an index.
  static QColor arrowColour(int index);
  static bool onBlack(int index);

 private:
  int size_;
  std::vector<QIcon> icons_;
  QIcon none_;
};

}  // namespace kelvor::gui
