// The block index of a row: per block of stretches its first start, the bits of its Running
// and Undefined stretches, the sums before it and a max tree over the latest ends; the level of
// detail is fed in the same pass.

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

}  // namespace

RowRaster::RowRaster(const EntrySegments& row) : row_(&row) {
  build(row);
}

RowRaster::RowRaster(const std::vector<UserSectionPiece>& pieces, const std::uint32_t* order)
    : pieces_(&pieces), pieceOrder_(order) {
  if (order != nullptr) {
    build(OrderedPieceRows{pieces, order});
  } else {
    build(PieceRows{pieces});
  }
}

template <class Rows>
void RowRaster::build(const Rows& row) {
  const std::size_t count = row.size();
  const std::size_t blocks = (count + Block - 1) / Block;
  heads_.resize(blocks);
  runningBefore_.resize(blocks + 1);
  interruptedBefore_.resize(blocks + 1);
  undefinedBefore_.resize(blocks + 1);
  latestEndBefore_.resize(blocks);
  endTreeLeaves_ = std::bit_ceil(std::max<std::size_t>(blocks, 1));
  endTree_.assign(2 * endTreeLeaves_, -Infinity);
  DetailBuilder detail(*this, count, count > 0 ? row.from(0) : 0.0, latestEndOf(row));

  std::uint32_t running = 0;
  double interrupted = 0.0;
  double undefined = 0.0;
  double latestEnd = -Infinity;
  for (std::size_t block = 0; block < blocks; ++block) {
    runningBefore_[block] = running;
    interruptedBefore_[block] = interrupted;
    undefinedBefore_[block] = undefined;
    latestEndBefore_[block] = latestEnd;
    const std::size_t first = block * Block;
    const std::size_t stop = std::min(count, first + Block);
    BlockHead& head = heads_[block];
    head.from = row.from(first);
    double blockEnd = -Infinity;
    bool ordered = true;
    bool endsAfterStarts = true;
    std::uint32_t mask = 0;
    std::uint32_t undefinedBits = 0;
    for (std::size_t i = first; i < stop; ++i) {
      const double to = row.to(i);
      ordered = ordered && !(to < blockEnd);
      endsAfterStarts = endsAfterStarts && to >= row.from(i);
      blockEnd = std::max(blockEnd, to);
      detail.add(row.from(i), to, row.state(i));
      switch (row.state(i)) {
        case SegmentState::Running:
          ++running;
          mask |= 1u << (i - first);
          break;
        case SegmentState::Interrupted:
          interrupted += nonNegative(to - row.from(i));
          break;
        case SegmentState::Undefined:
          undefined += nonNegative(to - row.from(i));
          undefinedBits |= 1u << (i - first);
          break;
      }
    }
    head.flags = static_cast<std::uint8_t>((ordered ? EndsOrdered : 0) |
                                           (endsAfterStarts ? EndsAfterStarts : 0));
    head.running = mask;
    head.undefined = undefinedBits;
    endTree_[endTreeLeaves_ + block] = blockEnd;
    latestEnd = std::max(latestEnd, blockEnd);
  }
  runningBefore_[blocks] = running;
  interruptedBefore_[blocks] = interrupted;
  undefinedBefore_[blocks] = undefined;
  for (std::size_t node = endTreeLeaves_; node-- > 1;) {
    endTree_[node] = std::max(endTree_[2 * node], endTree_[2 * node + 1]);
  }
  detail.finish();
}

std::size_t RowRaster::storageBytes() const {
  return heads_.capacity() * sizeof(BlockHead) + runningBefore_.capacity() * sizeof(std::uint32_t) +
         (interruptedBefore_.capacity() + undefinedBefore_.capacity() +
          latestEndBefore_.capacity() + endTree_.capacity()) *
             sizeof(double) +
         binLead_.capacity() * sizeof(float) + binWords_.capacity() * sizeof(BinWord);
}

}  // namespace kelvor
