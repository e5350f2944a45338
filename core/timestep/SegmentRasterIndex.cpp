// The block index of a row: per block of stretches its first start, the bits of its Running
// and Undefined stretches, the sums before it and a max tree over the latest ends; the level of
// detail is fed in the same pass when the row is indexed from scratch. A row that changed from
// some stretch on is indexed again from that stretch's block.

#include <algorithm>
#include <bit>
#include <vector>

#include "timestep/SegmentRasterInternal.h"

namespace kelvor {

using namespace rasterimpl;

namespace {

// The latest end of a row's stretches, read in storage order.
double latestEndOf(const EntrySegments& row) {
  double latest = -Infinity;
  for (std::size_t i = 0; i < row.size(); ++i) {
    latest = std::max(latest, row.to(i));
  }
  return latest;
}
double latestEndOf(const std::vector<UserSectionPiece>& pieces) {
  double latest = -Infinity;
  for (const UserSectionPiece& piece : pieces) {
    latest = std::max(latest, piece.to);
  }
  return latest;
}
double latestEndOf(const PieceRows& rows) {
  return latestEndOf(rows.pieces);
}
double latestEndOf(const OrderedPieceRows& rows) {
  return latestEndOf(rows.pieces);
}

// Stretches kept of a row with a level of detail for taking them back out: the changes at the
// end of a row that grows (the provisional closing stretch, a stretch moved back behind a few
// others) lie well inside.
constexpr std::size_t TailKept = 2 * Block;

}  // namespace

RowRaster::RowRaster(const EntrySegments& row) : row_(&row) {
  index(row, 0);
}

RowRaster::RowRaster(const std::vector<UserSectionPiece>& pieces, const std::uint32_t* order) {
  takeIn(pieces, order, 0);
}

void RowRaster::takeIn(const EntrySegments& row) {
  row_ = &row;
  const std::size_t settled = row.settled();
  if (settled < count_ || row.size() != count_) {
    index(row, settled);
  }
  row.settle();
}

void RowRaster::takeIn(const std::vector<UserSectionPiece>& pieces, const std::uint32_t* order,
                       std::size_t settled) {
  row_ = nullptr;
  pieces_ = &pieces;
  pieceOrder_ = order;
  if (order != nullptr) {
    index(OrderedPieceRows{pieces, order}, settled);
  } else {
    index(PieceRows{pieces}, settled);
  }
}

template <class Rows>
void RowRaster::index(const Rows& row, std::size_t settled) {
  const std::size_t count = row.size();
  const std::size_t first = std::min({settled, count_, count});
  const std::size_t oldCount = count_;
  count_ = count;
  if (first == 0) {
    // From scratch: the level of detail is fed in the same pass as the blocks.
    const DetailGrid grid = detailGrid(count, count > 0 ? row.from(0) : 0.0, latestEndOf(row));
    setDetailGrid(grid);
    DetailBuilder detail(*this, 0, 0);
    indexBlocks(row, 0, &detail);
    detail.finish();
  } else {
    indexBlocks(row, first, nullptr);
    if (!extendDetail(row, first, oldCount)) {
      buildDetail(row);
    }
  }
  keepTail(row);
}

template <class Rows>
void RowRaster::indexBlocks(const Rows& row, std::size_t first, DetailBuilder* detail) {
  const std::size_t count = row.size();
  const std::size_t blocks = (count + Block - 1) / Block;
  const std::size_t oldBlocks = heads_.size();
  const std::size_t firstBlock = first / Block;  // the blocks before it stay as they are

  // What the blocks before firstBlock sum to, as the sums before it (kept) and the latest end
  // before it say.
  std::uint32_t running = 0;
  double interrupted = 0.0;
  double undefined = 0.0;
  double latestEnd = -Infinity;
  if (firstBlock > 0) {
    running = runningBefore_[firstBlock];
    interrupted = interruptedBefore_[firstBlock];
    undefined = undefinedBefore_[firstBlock];
    latestEnd =
        std::max(latestEndBefore_[firstBlock - 1], endTree_[endTreeLeaves_ + firstBlock - 1]);
  }
  heads_.resize(blocks);
  runningBefore_.resize(blocks + 1);
  interruptedBefore_.resize(blocks + 1);
  undefinedBefore_.resize(blocks + 1);
  latestEndBefore_.resize(blocks);

  // The max tree keeps its leaves before firstBlock; a tree of another size is made anew.
  const std::size_t leaves = std::bit_ceil(std::max<std::size_t>(blocks, 1));
  const bool newTree = leaves != endTreeLeaves_;
  if (newTree) {
    std::vector<double> tree(2 * leaves, -Infinity);
    for (std::size_t block = 0; block < std::min(firstBlock, oldBlocks); ++block) {
      tree[leaves + block] = endTree_[endTreeLeaves_ + block];
    }
    endTree_.swap(tree);
    endTreeLeaves_ = leaves;
  } else {
    for (std::size_t block = blocks; block < oldBlocks; ++block) {
      endTree_[leaves + block] = -Infinity;
    }
  }

  for (std::size_t block = firstBlock; block < blocks; ++block) {
    runningBefore_[block] = running;
    interruptedBefore_[block] = interrupted;
    undefinedBefore_[block] = undefined;
    latestEndBefore_[block] = latestEnd;
    const std::size_t from = block * Block;
    const std::size_t stop = std::min(count, from + Block);
    BlockHead& head = heads_[block];
    head.from = row.from(from);
    double blockEnd = -Infinity;
    bool ordered = true;
    bool endsAfterStarts = true;
    std::uint32_t mask = 0;
    std::uint32_t undefinedBits = 0;
    for (std::size_t i = from; i < stop; ++i) {
      const double to = row.to(i);
      ordered = ordered && !(to < blockEnd);
      endsAfterStarts = endsAfterStarts && to >= row.from(i);
      blockEnd = std::max(blockEnd, to);
      if (detail != nullptr) {
        detail->add(row.from(i), to, row.state(i));
      }
      switch (row.state(i)) {
        case SegmentState::Running:
          ++running;
          mask |= 1u << (i - from);
          break;
        case SegmentState::Interrupted:
          interrupted += nonNegative(to - row.from(i));
          break;
        case SegmentState::Undefined:
          undefined += nonNegative(to - row.from(i));
          undefinedBits |= 1u << (i - from);
          break;
      }
    }
    head.flags = static_cast<std::uint8_t>((ordered ? EndsOrdered : 0) |
                                           (endsAfterStarts ? EndsAfterStarts : 0));
    head.running = mask;
    head.undefined = undefinedBits;
    endTree_[leaves + block] = blockEnd;
    latestEnd = std::max(latestEnd, blockEnd);
  }
  runningBefore_[blocks] = running;
  interruptedBefore_[blocks] = interrupted;
  undefinedBefore_[blocks] = undefined;

  // The inner nodes over the leaves that changed, level by level up to the root.
  std::size_t low = newTree ? 0 : firstBlock;
  std::size_t high = newTree ? leaves : std::max(blocks, oldBlocks);
  if (low >= high) {
    return;
  }
  low = (leaves + low) / 2;
  high = (leaves + high - 1) / 2;
  while (low >= 1) {
    for (std::size_t node = low; node <= high; ++node) {
      endTree_[node] = std::max(endTree_[2 * node], endTree_[2 * node + 1]);
    }
    if (low == 1) {
      break;
    }
    low /= 2;
    high /= 2;
  }
}

template <class Rows>
void RowRaster::keepTail(const Rows& row) {
  tail_.clear();
  if (binLead_.empty()) {
    return;
  }
  const std::size_t count = row.size();
  for (std::size_t i = count - std::min(count, TailKept); i < count; ++i) {
    tail_.push_back({row.from(i), row.to(i), row.state(i)});
  }
}

std::size_t RowRaster::storageBytes() const {
  return heads_.capacity() * sizeof(BlockHead) + runningBefore_.capacity() * sizeof(std::uint32_t) +
         (interruptedBefore_.capacity() + undefinedBefore_.capacity() +
          latestEndBefore_.capacity() + endTree_.capacity()) *
             sizeof(double) +
         binLead_.capacity() * sizeof(std::uint32_t) + binWords_.capacity() * sizeof(BinWord) +
         tail_.capacity() * sizeof(Stretch);
}

}  // namespace kelvor
