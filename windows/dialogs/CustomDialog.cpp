// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/CustomDialog.h"

#include "update/PanelRelease.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QStyleOption>
#include <QVBoxLayout>

namespace {

const char kDialogStyle[] = "QDialog { background-color: white; border: 1px solid gray; }"
                            "QLabel { color: black; font-size: 12px; }"
                            "QPushButton { background-color: white; border: 1px solid gray; padding: 5px; }";
const char kLabelStyle[] = "QLabel { font-family: 'Calibri'; font-size: 12pt; }";
const char kOkButtonStyle[] = "QPushButton {background-color: white;border: 1px solid gray;border-radius: 5px;"
                              "padding: 5px 20px;font-family: Calibri;font-size: 14px;}"
                              "QPushButton:hover {background-color: lightgray;}";

const char kCredit[] = "Quill Tool is written and maintained by the Quill Tool developers.<br>"
                       "Free software under the GNU General Public License, version 3 or later.";
const char kLink[] = "<a href=\"https://quill-tool.org\">https://quill-tool.org</a>";

QLabel *centredLabel(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    return label;
}

} // namespace

CustomDialog::CustomDialog(QWidget *parent)
    : QDialog(parent)
{
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    setStyleSheet(QString::fromLatin1(kDialogStyle));

    auto *layout = new QVBoxLayout(this);
    // Room above the widgets for the painted title strip.
    layout->setContentsMargins(10, 40, 10, 10);

    version = currentPanelVersion();

    QLabel *versionLabel = centredLabel(this);
    versionLabel->setText(QStringLiteral("Version: ") + version.mid(1));
    versionLabel->setStyleSheet(QString::fromLatin1(kLabelStyle));
    layout->addWidget(versionLabel);

    QLabel *logo = centredLabel(this);
    logo->setPixmap(QPixmap(QStringLiteral(":/image/label.png"))
                        .scaled(100, 50, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    layout->addWidget(logo);

    QLabel *credit = centredLabel(this);
    credit->setTextFormat(Qt::RichText);
    credit->setText(QString::fromUtf8(kCredit));
    credit->setStyleSheet(QString::fromLatin1(kLabelStyle));
    layout->addWidget(credit);

    QLabel *link = centredLabel(this);
    link->setTextFormat(Qt::RichText);
    link->setText(QString::fromLatin1(kLink));
    link->setStyleSheet(QString::fromLatin1(kLabelStyle));
    link->setOpenExternalLinks(true);
    link->setObjectName(QStringLiteral("linkLabel"));
    layout->addWidget(link);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    QPushButton *ok = buttons->button(QDialogButtonBox::Ok);
    ok->setMinimumSize(40, 15);
    ok->setStyleSheet(QString::fromLatin1(kOkButtonStyle));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

void CustomDialog::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);

    // A frameless window gets no style-sheet background or border unless drawn here.
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);

    QLinearGradient gradient(0, 0, 0, kTitleStripHeight);
    gradient.setColorAt(0, QColor(Qt::lightGray));
    gradient.setColorAt(1, QColor(240, 240, 240, 255));
    painter.fillRect(QRect(0, 0, width(), kTitleStripHeight), gradient);

    painter.setPen(Qt::gray);
    const QRect r = rect();
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft() - QPoint(0, 1));
    painter.drawLine(r.topRight(), r.bottomRight() - QPoint(0, 1));

    painter.setFont(QFont(QStringLiteral("Calibri"), 12));
    painter.setPen(Qt::black);
    painter.drawText(QRect(r.left() + 5, r.top() + 5, width(), kTitleStripHeight), Qt::AlignLeft,
                     QStringLiteral("About Quill Tool"));
}

void CustomDialog::mousePressEvent(QMouseEvent *event)
{
    dragging = event->button() == Qt::LeftButton && event->y() < kTitleStripHeight;
    if (dragging) {
        const QPoint offset = event->globalPos() - frameGeometry().topLeft();
        dragOffsetX = offset.x();
        dragOffsetY = offset.y();
        event->accept();
    }
}

void CustomDialog::mouseMoveEvent(QMouseEvent *event)
{
    if (dragging && (event->buttons() & Qt::LeftButton) && event->y() < kTitleStripHeight) {
        move(event->globalPos() - QPoint(dragOffsetX, dragOffsetY));
        event->accept();
    }
}
