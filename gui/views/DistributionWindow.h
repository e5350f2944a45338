#pragma once

#include <QDialog>
#include <cstdint>

#include "analysis/ActivationDurations.h"

class QCheckBox;
class QTableWidget;

namespace kelvor::gui {

class CKelvorDoc;
class DistributionHistogram;

// A non-modal window with the distribution of one entry's net and gross activation durations
// over the analysed window: a histogram and the figures. It follows the document: when the
// statistics change it shows the figures of the new analysis, and it closes when a load or a
// recording replaces the data.
class DistributionWindow final : public QDialog {
  Q_OBJECT
 public:
  // `entryText` is the entry as the table names it: its id text and name.
  DistributionWindow(CKelvorDoc& document, std::uint32_t entry, const QString& entryText,
                     QWidget* owner);
  ~DistributionWindow() override;

  std::uint32_t entry() const { return entry_; }
  // The figures shown now.
  const EntryDistribution& distribution() const { return distribution_; }
  QTableWidget* figuresTable() const { return figures_; }
  DistributionHistogram* histogram() const { return histogram_; }
  QCheckBox* logarithmicCountsBox() const { return logarithmicCounts_; }

  // Shows the figures of the statistics the document holds now, collecting the durations first
  // when they are not at hand.
  void refresh();

 private:
  // Refreshes once the event that changed the statistics is done.
  void refreshLater();
  void showDistribution(const EntryDistribution& distribution);

  CKelvorDoc& document_;
  std::uint32_t entry_;
  EntryDistribution distribution_;
  DistributionHistogram* histogram_;
  QTableWidget* figures_;
  QCheckBox* logarithmicCounts_;
  bool refreshPending_ = false;
};

}  // namespace kelvor::gui
