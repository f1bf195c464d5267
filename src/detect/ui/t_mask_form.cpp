#include "t_mask_form.h"

#include "base/handler_guard.h"
#include "detect/mask_file.h"
#include "t_image.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

const QColor kPurple(0x80, 0x00, 0x80);
const QColor kWhite(Qt::white);
constexpr int kMinDrawSize = 2;
constexpr int kMaxDrawSize = 15;
constexpr int kPanelHeight = 73;
const QPoint kImageOrigin(8, 88);

enum ViewImage { Origional = 0, Mask = 1 };

QPushButton* button(const char* name, const QString& caption, QRect geometry, QWidget* parent) {
  auto* result = new QPushButton(caption, parent);
  result->setObjectName(name);
  result->setGeometry(geometry);
  return result;
}

TImage* image(const char* name, QWidget* parent) {
  auto* result = new TImage(parent);
  result->setObjectName(name);
  result->move(kImageOrigin);
  return result;
}

// The pixels whose centres lie in the ellipse inscribed in rect. Drawn by hand
// so the disc is symmetric and holds exactly the one colour.
void fillEllipse(QImage& target, const QRect& rect, const QColor& colour) {
  const QRect clipped = rect & target.rect();
  const QRgb pixel = colour.rgb();
  // In doubled coordinates the centre and the pixel centres are whole numbers.
  const qint64 cx = 2 * qint64(rect.x()) + rect.width(), cy = 2 * qint64(rect.y()) + rect.height();
  const qint64 rx = rect.width(), ry = rect.height();
  for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(target.scanLine(y));
    const qint64 dy = 2 * qint64(y) + 1 - cy;
    for (int x = clipped.left(); x <= clipped.right(); ++x) {
      const qint64 dx = 2 * qint64(x) + 1 - cx;
      if (dx * dx * ry * ry + dy * dy * rx * rx <= rx * rx * ry * ry)
        row[x] = pixel;
    }
  }
}

}  // namespace

TMaskForm::TMaskForm(Prompts& prompts, const QString& programFolder, QWidget* parent)
    : QWidget(parent, Qt::Window), m_prompts(prompts), m_programFolder(programFolder) {
  setObjectName("MaskForm");
  setMinimumSize(374, 416);

  Panel1 = new QWidget(this);
  Panel1->setObjectName("Panel1");
  Panel1->setGeometry(0, 0, width(), kPanelHeight);
  Panel1->setAutoFillBackground(true);
  QPalette white = Panel1->palette();
  white.setColor(QPalette::Window, kWhite);
  Panel1->setPalette(white);

  RadioGroup1 = new QGroupBox(QStringLiteral("View Image"), Panel1);
  RadioGroup1->setObjectName("RadioGroup1");
  RadioGroup1->setGeometry(8, 4, 100, 64);
  auto* radioLayout = new QVBoxLayout(RadioGroup1);
  radioLayout->setContentsMargins(8, 2, 8, 2);
  radioLayout->setSpacing(0);
  m_viewButtons = new QButtonGroup(RadioGroup1);
  for (const QString& item : {QStringLiteral("Origional"), QStringLiteral("Mask")}) {
    auto* radio = new QRadioButton(item, RadioGroup1);
    radioLayout->addWidget(radio);
    m_viewButtons->addButton(radio, m_viewButtons->buttons().size());
  }
  m_viewButtons->button(Mask)->setChecked(true);

  auto* drawSizeLabel = new QLabel(QStringLiteral("Draw Size"), Panel1);
  drawSizeLabel->setGeometry(116, 8, 60, 16);
  AdvSpinEdit1 = new QSpinBox(Panel1);
  AdvSpinEdit1->setObjectName("AdvSpinEdit1");
  AdvSpinEdit1->setGeometry(116, 28, 50, 24);
  AdvSpinEdit1->setRange(kMinDrawSize, kMaxDrawSize);
  AdvSpinEdit1->setValue(7);
  Shape1 = new QLabel(Panel1);
  Shape1->setObjectName("Shape1");
  Shape1->move(174, 20);

  BitBtn1 = button("BitBtn1", QStringLiteral("Save Mask"), {214, 8, 74, 25}, Panel1);
  BitBtn2 = button("BitBtn2", QStringLiteral("Clear Mask"), {292, 8, 74, 25}, Panel1);
  BitBtn3 = button("BitBtn3", QStringLiteral("Complete"), {214, 40, 74, 25}, Panel1);
  BitBtn4 = button("BitBtn4", QStringLiteral("Cancel"), {292, 40, 74, 25}, Panel1);
  BitBtn1->setEnabled(false);
  BitBtn3->setEnabled(false);

  // Image2 lies under Image1; only one of them is shown at a time.
  Image3 = image("Image3", this);
  Image3->hide();
  Image2 = image("Image2", this);
  Image2->hide();
  Image1 = image("Image1", this);

  connect(Image1, &TImage::mousePressed, this, &TMaskForm::Image1MouseDown);
  connect(Image1, &TImage::mouseMoved, this, &TMaskForm::Image1MouseMove);
  connect(Image1, &TImage::mouseReleased, this, &TMaskForm::Image1MouseUp);
  connect(m_viewButtons, &QButtonGroup::idToggled, this, [this](int, bool checked) {
    if (checked)
      RadioGroup1Click();
  });
  connect(AdvSpinEdit1, &QSpinBox::valueChanged, this, &TMaskForm::AdvSpinEdit1Change);
  connect(BitBtn1, &QPushButton::clicked, this, &TMaskForm::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &TMaskForm::BitBtn2Click);
  connect(BitBtn3, &QPushButton::clicked, this, &TMaskForm::BitBtn3Click);
  connect(BitBtn4, &QPushButton::clicked, this, &TMaskForm::BitBtn4Click);
  AdvSpinEdit1Change();
}

void TMaskForm::GetImg(const FrameBitmap& Frame, int Height, int Width, const QString& Caption) {
  prepare(Frame, Height, Width, Caption);
  if (Image3->picture().isNull()) {
    QImage blank(Width, Height, QImage::Format_RGB32);
    blank.fill(kWhite);
    Image3->setPicture(blank);
  }
  fitMaskTo(Image1->picture().size());
}

void TMaskForm::EditMask(const FrameBitmap& Frame, int Height, int Width, const QString& Caption) {
  prepare(Frame, Height, Width, Caption);
  Image3->setPicture(
      loadMaskFile(maskFilePath(m_programFolder, Caption)).image().convertToFormat(QImage::Format_RGB32));
  // Show the stored strokes over the frame.
  QImage& view = Image1->canvas();
  const QImage& mask = Image3->picture();
  const int w = std::min(view.width(), mask.width()), h = std::min(view.height(), mask.height());
  for (int y = 0; y < h; ++y) {
    const QRgb* maskRow = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
    QRgb* viewRow = reinterpret_cast<QRgb*>(view.scanLine(y));
    for (int x = 0; x < w; ++x)
      if (maskRow[x] == kPurple.rgb())
        viewRow[x] = maskRow[x];
  }
  Image1->update();
  // A stored mask of another size takes the frame's size now rather than at the
  // save, so strokes painted outside the old size are kept in the mask too.
  fitMaskTo(Image1->picture().size());
  enableSaving();
}

void TMaskForm::prepare(const FrameBitmap& frame, int height, int width, const QString& caption) {
  m_caption = caption;
  setWindowTitle(QStringLiteral("Mask for ") + caption);
  resize(width + 50, height + 150);
  Image2->setPicture(frame.image().convertToFormat(QImage::Format_RGB32));
  Image1->setPicture(Image2->picture());
  for (TImage* control : {Image1, Image2, Image3}) control->resize(width, height);
}

// Keeps the pixels in place from the top-left corner; added area is white, which
// leaves those pixels in detection.
void TMaskForm::fitMaskTo(QSize size) {
  if (Image3->picture().size() == size)
    return;
  QImage fitted(size, QImage::Format_RGB32);
  fitted.fill(kWhite);
  QPainter(&fitted).drawImage(0, 0, Image3->picture());
  Image3->setPicture(fitted);
}

void TMaskForm::resizeEvent(QResizeEvent* event) {
  Panel1->resize(width(), kPanelHeight);
  QWidget::resizeEvent(event);
}

QRect TMaskForm::brushRect() const {
  const int s = AdvSpinEdit1->value();
  return QRect(m_position.x() - s, m_position.y() - s, 2 * s, 2 * s);
}

void TMaskForm::paintAtBrush() {
  const QRect rect = brushRect();
  fillEllipse(Image1->canvas(), rect, kPurple);
  fillEllipse(Image3->canvas(), rect, kPurple);
  Image1->update();
}

void TMaskForm::eraseAtBrush() {
  const QRect rect = brushRect();
  {
    QPainter painter(&Image1->canvas());
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(rect.topLeft(), Image2->picture(), rect);
  }
  QPainter(&Image3->canvas()).fillRect(rect, kWhite);
  Image1->update();
}

void TMaskForm::enableSaving() {
  BitBtn1->setEnabled(true);
  BitBtn3->setEnabled(true);
}

void TMaskForm::Image1MouseDown(Qt::MouseButton button) {
  guarded(m_prompts, [&] {
    if (button != Qt::LeftButton && button != Qt::RightButton)
      return;
    enableSaving();
    // A press brings no position of its own: the brush stays where the pointer last moved.
    if (button == Qt::LeftButton) {
      m_paintMode = true;
      paintAtBrush();
    } else {
      m_eraseMode = true;
      eraseAtBrush();
    }
  });
}

void TMaskForm::Image1MouseMove(QPoint position) {
  guarded(m_prompts, [&] {
    m_position = position;
    if (m_paintMode)
      paintAtBrush();
    if (m_eraseMode)
      eraseAtBrush();
  });
}

void TMaskForm::Image1MouseUp() {
  m_paintMode = false;
  m_eraseMode = false;
}

void TMaskForm::RadioGroup1Click() {
  guarded(m_prompts, [&] {
    const bool showMask = m_viewButtons->checkedId() == Mask;
    Image1->setVisible(showMask);
    Image2->setVisible(!showMask);
  });
}

void TMaskForm::AdvSpinEdit1Change() {
  guarded(m_prompts, [&] {
    // The spin box keeps the value within 2..15 and ignores an empty field.
    const int side = 2 * AdvSpinEdit1->value() + 1;
    QPixmap circle(side, side);
    circle.fill(Qt::transparent);
    {
      QPainter painter(&circle);
      painter.setRenderHint(QPainter::Antialiasing);
      painter.setPen(kPurple);
      painter.setBrush(kPurple);
      painter.drawEllipse(QRectF(0.5, 0.5, side - 1, side - 1));
    }
    Shape1->setPixmap(circle);
    Shape1->resize(side, side);
  });
}

void TMaskForm::saveMask() {
  fitMaskTo(Image1->picture().size());
  saveMaskFile(maskFilePath(m_programFolder, m_caption), Image3->picture());
}

void TMaskForm::BitBtn1Click() {
  guarded(m_prompts, [&] { saveMask(); });
}

void TMaskForm::BitBtn2Click() {
  guarded(m_prompts, [&] {
    Image1->setPicture(Image2->picture());
    Image3->canvas().fill(kWhite);
    Image3->update();
  });
}

void TMaskForm::BitBtn3Click() {
  guarded(m_prompts, [&] {
    saveMask();
    close();
  });
}

void TMaskForm::BitBtn4Click() {
  guarded(m_prompts, [&] { close(); });
}
