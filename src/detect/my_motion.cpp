#include "my_motion.h"

#include "base/error.h"

#include <QRect>

#include <algorithm>

namespace {

int correctedParts(int value) { return value == 0 ? 10 : std::clamp(value, 1, 50); }

QString sizeText(QSize size) { return QStringLiteral("%1x%2").arg(size.width()).arg(size.height()); }

}  // namespace

MyMotion::MyMotion(QObject* parent) : QObject(parent) {}

int MyMotion::HorzParts() { return m_horzParts = correctedParts(m_horzParts); }

int MyMotion::VertParts() { return m_vertParts = correctedParts(m_vertParts); }

int MyMotion::GridSensitifity() {
  return m_gridSensitifity = m_gridSensitifity == 0 ? 4 : std::clamp(m_gridSensitifity, 1, 10);
}

int MyMotion::MaxParts() { return HorzParts() * VertParts(); }

int MyMotion::MotionSensitifity() {
  const int maxParts = MaxParts();
  if (m_motionSensitifity == 0)
    m_motionSensitifity = maxParts / 2;
  m_motionSensitifity = std::min(m_motionSensitifity, maxParts);
  return m_motionSensitifity = std::max(m_motionSensitifity, 1);
}

void MyMotion::DoDetectItMask(const FrameBitmap& frame, const FrameBitmap& mask, Canvas& canvas) {
  if (mask.image().size() != frame.image().size())
    throw Error(QStringLiteral("The mask of %1 pixels does not fit the frame of %2 pixels")
                    .arg(sizeText(mask.image().size()), sizeText(frame.image().size())));
  if (mask.image().cacheKey() != m_maskKey || mask.image().size() != m_maskSize) {
    m_maskStarts = maskPixelStarts(mask.view());
    m_maskSize = mask.image().size();
    m_maskKey = mask.image().cacheKey();
    ++m_maskBuilds;
  }
  DoDetectIt(frame, canvas);
}

void MyMotion::checkMaskFits(const FrameBitmap& frame) const {
  if (m_masked && !m_maskSize.isEmpty() && m_maskSize != frame.image().size())
    throw Error(QStringLiteral("The stored mask of %1 pixels does not fit the frame of %2 pixels")
                    .arg(sizeText(m_maskSize), sizeText(frame.image().size())));
}

const PixelStarts& MyMotion::pixelStartsFor(const FrameBitmap& frame) {
  if (m_masked && !m_maskSize.isEmpty())
    return m_maskStarts;
  if (m_allStartsWidth != frame.width()) {
    m_allStarts = allPixelStarts(frame.width());
    m_allStartsWidth = frame.width();
  }
  return m_allStarts;
}

void MyMotion::DoDetectIt(const FrameBitmap& frame, Canvas& canvas) {
  // Refused before anything changes: the mask belongs to another picture size.
  checkMaskFits(frame);
  m_lastChangedCells.clear();
  m_lastChangedCellTotal = 0;

  // Every pass compares with the frame of the pass before. After the first
  // pass or a change of size there is nothing comparable, so the frame is
  // compared with itself and finds nothing.
  m_previous = m_current;
  m_current = frame;
  if (m_previous.width() == 0 || m_previous.image().size() != m_current.image().size())
    m_previous = m_current;

  const int tolerance = GridSensitifity();
  const MotionGrid grid = motionGrid(frame.width(), frame.height(), HorzParts(), VertParts());
  if (grid.isEmpty())
    throw Error(QStringLiteral("The frame of %1 pixels is smaller than the grid of %2x%3 cells")
                    .arg(sizeText(frame.image().size()))
                    .arg(HorzParts())
                    .arg(VertParts()));
  const int threshold = MotionSensitifity();

  const std::vector<std::uint32_t> counts =
      countChangedPixels(m_current.view(), m_previous.view(), pixelStartsFor(frame), grid, tolerance);

  // A cell changed when strictly more than half its pixels did; excluded pixels
  // still count in its size.
  const std::int64_t halfCell = std::int64_t{grid.cellWidth} * grid.cellHeight / 2;
  int changedCells = 0;
  for (int col = 0; col < grid.columns; ++col) {
    for (int row = 0; row < grid.rows; ++row) {
      if (m_quickDetect && changedCells >= threshold)
        break;
      if (counts[col * grid.rows + row] <= halfCell)
        continue;
      if (m_showGrid)
        canvas.frameRect(QRect(col * grid.cellWidth, row * grid.cellHeight, grid.cellWidth, grid.cellHeight));
      m_lastChangedCells.push_back({col, row});
      ++changedCells;
    }
  }

  m_lastChangedCellTotal = int(std::count_if(counts.begin(), counts.end(),
                                             [halfCell](std::uint32_t count) { return count > halfCell; }));

  if (changedCells >= threshold) {
    m_detectedBitmap = frame;
    emit OnDetected(this);
  }
}
