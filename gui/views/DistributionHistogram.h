#pragma once

#include <QColor>
#include <QWidget>

#include "analysis/ActivationDurations.h"

namespace kelvor::gui {

// The histogram of an entry's net and gross activation durations: the logarithmic bins of both
// side by side on a logarithmic time axis labelled in ns, µs, ms and s, the counts on a linear or
// logarithmic axis, and the P50, P99 and max of each series as dashed lines.
class DistributionHistogram final : public QWidget {
  Q_OBJECT
 public:
  explicit DistributionHistogram(QWidget* parent = nullptr);

  void setDistribution(const EntryDistribution& distribution);
  const EntryDistribution& distribution() const { return distribution_; }
  void setLogarithmicCounts(bool logarithmic);
  bool logarithmicCounts() const { return logarithmicCounts_; }

  static QColor netColour() { return {31, 119, 180}; }
  static QColor grossColour() { return {255, 127, 14}; }

  QSize sizeHint() const override { return {680, 380}; }
  QSize minimumSizeHint() const override { return {360, 220}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  EntryDistribution distribution_;
  bool logarithmicCounts_ = false;
};

}  // namespace kelvor::gui
