#include "views/DistributionWindow.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPointer>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "app/CKelvorDoc.h"
#include "views/DistributionFigures.h"
#include "views/DistributionHistogram.h"

namespace kelvor::gui {

namespace {

constexpr int NetColumn = 0;
constexpr int GrossColumn = 1;

QTableWidgetItem* figureItem(const std::string& text) {
  auto* item = new QTableWidgetItem(QString::fromStdString(text));
  item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  return item;
}

}  // namespace

DistributionWindow::DistributionWindow(CKelvorDoc& document, std::uint32_t entry,
                                       const QString& entryText, QWidget* owner)
    : QDialog(owner, Qt::Window),
      document_(document),
      entry_(entry),
      histogram_(new DistributionHistogram(this)),
      figures_(new QTableWidget(0, 2, this)),
      logarithmicCounts_(new QCheckBox("Logarithmic counts", this)) {
  setObjectName("distributionWindow");
  setAttribute(Qt::WA_DeleteOnClose);
  setModal(false);
  setWindowTitle("Distribution - " + entryText);

  figures_->setObjectName("distributionFigures");
  figures_->setHorizontalHeaderLabels({"net", "gross"});
  figures_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  figures_->setSelectionMode(QAbstractItemView::NoSelection);
  figures_->setFocusPolicy(Qt::NoFocus);
  figures_->setShowGrid(false);
  figures_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  figures_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  figures_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  figures_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  figures_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  figures_->setFixedWidth(figures_->fontMetrics().horizontalAdvance("P99.9 999.9 ms 999.9 ms") +
                          60);

  auto* left = new QVBoxLayout;
  left->addWidget(histogram_, 1);
  left->addWidget(logarithmicCounts_);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 1);
  auto* right = new QVBoxLayout;
  right->addWidget(figures_);
  right->addStretch(1);
  layout->addLayout(right);

  connect(logarithmicCounts_, &QCheckBox::toggled, histogram_,
          &DistributionHistogram::setLogarithmicCounts);
  // A load or a new recording replaces the trace: these figures belong to no trace any more.
  connect(&document_, &CKelvorDoc::viewsDetach, this, &QWidget::close);
  connect(&document_, &CKelvorDoc::viewsUpdate, this, [this](UpdateHint hint) {
    if (hint == UpdateHint::StatisticsChanged || hint == UpdateHint::EventsAppended) {
      refreshLater();
    }
  });
}

DistributionWindow::~DistributionWindow() {
  // The durations cost 8 bytes an activation; none are kept once no window shows them.
  const QObject* owner = parent();
  const auto windows = owner != nullptr
                           ? owner->findChildren<DistributionWindow*>(Qt::FindDirectChildrenOnly)
                           : QList<DistributionWindow*>{};
  if (windows.size() <= 1) {
    document_.releaseDurations();
  }
}

void DistributionWindow::refreshLater() {
  // The analysis may have been asked for in the middle of a drag or of another window's
  // refresh; collecting the durations runs an event loop, so it waits until that is done.
  if (refreshPending_) {
    return;
  }
  refreshPending_ = true;
  QTimer::singleShot(0, this, [this] {
    refreshPending_ = false;
    refresh();
  });
}

void DistributionWindow::refresh() {
  const QPointer<DistributionWindow> alive(this);
  const ActivationDurations* durations = document_.durations();
  if (!alive) {
    return;  // closed while the durations were collected
  }
  const StatisticsEngine* engine = document_.session().engine.get();
  if (durations == nullptr || engine == nullptr) {
    // Another job runs; its end updates the views and so this window again.
    return;
  }
  const ProcessStats* record = engine->find(entry_);
  static const ActivationDurations::Series none;
  const ActivationDurations::Series* series = durations->find(entry_);
  showDistribution(record != nullptr ? distributionsOf(*record, series ? *series : none)
                                     : EntryDistribution{});
}

void DistributionWindow::showDistribution(const EntryDistribution& distribution) {
  distribution_ = distribution;
  histogram_->setDistribution(distribution_);
  const std::vector<DistributionFigure> figures = distributionFigures(distribution_);
  figures_->setRowCount(static_cast<int>(figures.size()));
  for (int row = 0; row < figures_->rowCount(); ++row) {
    const DistributionFigure& figure = figures[static_cast<std::size_t>(row)];
    figures_->setVerticalHeaderItem(row,
                                    new QTableWidgetItem(QString::fromStdString(figure.label)));
    figures_->setItem(row, NetColumn, figureItem(figure.net));
    figures_->setItem(row, GrossColumn, figureItem(figure.gross));
  }
  // As high as its rows: the table never scrolls.
  figures_->setFixedHeight(figures_->horizontalHeader()->sizeHint().height() +
                           figures_->verticalHeader()->length() + 2 * figures_->frameWidth());
}

}  // namespace kelvor::gui
