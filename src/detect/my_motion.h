#pragma once

#include "base/canvas.h"
#include "base/frame_bitmap.h"
#include "detect/motion_kernel.h"

#include <QObject>
#include <QSize>

#include <vector>

// Decides whether motion happened between two successive frames of one camera:
// counts, on a grid of cells, the pixels whose colour moved by more than a
// tolerance, and raises OnDetected when enough cells changed.
//
// Numeric properties store what is written; reading corrects the value and stores
// the corrected one back, so a written 0 means the default.
class MyMotion : public QObject {
  Q_OBJECT

 public:
  struct Cell {
    int col = 0;
    int row = 0;
    bool operator==(const Cell&) const = default;
  };

  explicit MyMotion(QObject* parent = nullptr);

  int HorzParts();  // 0 reads as 10, otherwise clamped to 1..50
  void setHorzParts(int value) { m_horzParts = value; }
  int VertParts();  // 0 reads as 10, otherwise clamped to 1..50
  void setVertParts(int value) { m_vertParts = value; }
  int GridSensitifity();  // 0 reads as 4, otherwise clamped to 1..10
  void setGridSensitifity(int value) { m_gridSensitifity = value; }
  int MotionSensitifity();  // 0 reads as MaxParts div 2, then clamped to 1..MaxParts
  void setMotionSensitifity(int value) { m_motionSensitifity = value; }
  int MaxParts();

  bool ShowGrid() const { return m_showGrid; }
  void setShowGrid(bool value) { m_showGrid = value; }
  bool QuickDetect() const { return m_quickDetect; }
  void setQuickDetect(bool value) { m_quickDetect = value; }
  bool Masked() const { return m_masked; }
  void setMasked(bool value) { m_masked = value; }

  // A copy of the frame that made the latest detection.
  const FrameBitmap& DetectedBitmap() const { return m_detectedBitmap; }

  // One detection pass of frame against the frame of the pass before; outlines
  // the changed cells on canvas when ShowGrid is on. Throws Error for a frame
  // smaller than the grid, and for a stored mask of another size while Masked.
  void DoDetectIt(const FrameBitmap& frame, Canvas& canvas);
  // Stores mask (purple 0x800080 leaves a pixel out) and runs the same pass. A
  // mask of another size than the frame is refused with an Error, changing nothing.
  // The mask is folded into the kernel's form only when its pixels differ from the
  // stored one's (another picture, or the same one written since), so a caller may
  // pass the same mask with every frame at no cost.
  void DoDetectItMask(const FrameBitmap& frame, const FrameBitmap& mask, Canvas& canvas);

  // How many times a mask has been folded since construction.
  int maskBuilds() const { return m_maskBuilds; }

  // The changed cells counted by the latest pass, in visiting order (column by
  // column); with QuickDetect, those up to the stop.
  const std::vector<Cell>& lastChangedCells() const { return m_lastChangedCells; }
  // How many cells of the whole grid changed in the latest pass, also past
  // QuickDetect's stop: what tells a change of light from motion.
  int lastChangedCellTotal() const { return m_lastChangedCellTotal; }

 signals:
  void OnDetected(MyMotion* sender);

 private:
  const PixelStarts& pixelStartsFor(const FrameBitmap& frame);
  void checkMaskFits(const FrameBitmap& frame) const;

  int m_horzParts = 0;
  int m_vertParts = 0;
  int m_gridSensitifity = 0;
  int m_motionSensitifity = 0;
  bool m_showGrid = false;
  bool m_quickDetect = false;
  bool m_masked = false;

  FrameBitmap m_current;
  FrameBitmap m_previous;
  FrameBitmap m_detectedBitmap;
  // The stored mask, kept only in the folded form the kernel reads.
  PixelStarts m_maskStarts;
  QSize m_maskSize;
  // QImage::cacheKey of the folded mask; Qt gives pixels a new key whenever they
  // may have been written, and never reuses one.
  qint64 m_maskKey = 0;
  int m_maskBuilds = 0;
  PixelStarts m_allStarts;  // every pixel takes part; for frames of m_allStartsWidth
  int m_allStartsWidth = -1;
  std::vector<Cell> m_lastChangedCells;
  int m_lastChangedCellTotal = 0;
};
