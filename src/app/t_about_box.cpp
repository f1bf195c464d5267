#include "t_about_box.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("About"));
  setFixedSize(298, 213);
  setStyleSheet(QStringLiteral("TAboutBox { background: white; }"));

  auto* picture = new QLabel(this);
  picture->setPixmap(windowIcon().pixmap(64, 64));
  auto* name = new QLabel(QStringLiteral("<b>Quorvex</b>"), this);
  auto* version = new QLabel(QStringLiteral("Version 1"), this);
  auto* copyright = new QLabel(QStringLiteral("Free software for watching one camera."), this);
  copyright->setWordWrap(true);
  auto* comments = new QLabel(QStringLiteral("Comments"), this);
  auto* link = new QLabel(QStringLiteral("<a href=\"mailto:%1\" style=\"color: blue\">%1</a>")
                              .arg(QStringLiteral(QUORVEX_INFO_EMAIL)),
                          this);
  link->setObjectName(QStringLiteral("Label1"));
  link->setCursor(Qt::PointingHandCursor);
  link->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("BitBtn1"));

  auto* layout = new QGridLayout(this);
  layout->addWidget(picture, 0, 0, 3, 1, Qt::AlignTop);
  layout->addWidget(name, 0, 1);
  layout->addWidget(version, 1, 1);
  layout->addWidget(copyright, 2, 1);
  layout->addWidget(comments, 3, 1);
  layout->addWidget(link, 4, 1);
  layout->addWidget(ok, 5, 1, Qt::AlignRight);
  layout->setRowStretch(3, 1);

  connect(link, &QLabel::linkActivated, this, &TAboutBox::Label1Click);
  connect(ok, &QPushButton::clicked, this, &TAboutBox::BitBtn1Click);
}

void TAboutBox::Label1Click() {
  QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:" QUORVEX_INFO_EMAIL)));
}
