#include "panel/SourceRateSelection.h"

#include "panel/CustomSlider.h"
#include "protocol/MachineControl.h"
#include "protocol/SourceSelection.h"
#include "ui_MainWindow.h"

#include <QRegularExpression>
#include <QRegularExpressionValidator>

QString SourceRateSelection::validatorPattern(const QString &rateText)
{
    QString frames;
    if (rateText == QLatin1String("24"))
        frames = QStringLiteral("[0-1][0-9]|2[0-3]");
    else if (rateText == QLatin1String("25"))
        frames = QStringLiteral("[0-1][0-9]|2[0-4]");
    else if (rateText == QLatin1String("30Drop") || rateText == QLatin1String("30"))
        frames = QStringLiteral("[0-2][0-9]");
    return QStringLiteral("^((0[0-9]|1[0-9]|2[0-3])) : ([0-5][0-9]) : ([0-5][0-9]) : (%1)$").arg(frames);
}

SourceRateSelection::SourceRateSelection(const PanelContext &context, QObject *parent)
    : QObject(parent)
    , m_context(context)
{
}

void SourceRateSelection::connectButtons()
{
    Ui::MainWindow *ui = m_context.ui();
    for (QRadioButton *button : {ui->radioButton, ui->radioButton_2, ui->radioButton_3, ui->radioButton_4,
                                 ui->radioButton_5, ui->radioButton_6, ui->radioButton_7, ui->radioButton_8,
                                 ui->radioButton_9, ui->radioButton_10}) {
        connect(button, &QRadioButton::toggled, this, [this, button](bool checked) {
            if (checked)
                handleSelection(button);
        });
    }
}

void SourceRateSelection::handleSelection(QRadioButton *button)
{
    Ui::MainWindow *ui = m_context.ui();
    rebuildValidator();
    if (!m_context.outputOpen()) {
        m_context.warnNotConnected();
        return;
    }
    if (button == ui->radioButton_4) {
        sendSource();
        m_context.applyTransportLook(true);
        PanelContext::applyRadioGroupLook(ui->groupBox_2, true);
        return;
    }
    if (button->parentWidget() == ui->groupBox) {
        sendSource();
        m_context.applyTransportLook(false);
        PanelContext::applyRadioGroupLook(ui->groupBox_2, false);
        return;
    }
    // A rate button: the start time again, now carrying the new rate.
    FrameArithmetic::Label start;
    if (FrameArithmetic::labelFromParts(MachineControl::readTimeField(ui->lineEdit->text()), start))
        m_context.sendLocate(start);
    ui->horizontalSlider->setMarker(0, 0);
}

void SourceRateSelection::sendSource()
{
    for (int number = Usb; number <= ArtNet; ++number) {
        if (sourceButton(number)->isChecked()) {
            m_context.send(SourceSelection::sourceMessage(number));
            return;
        }
    }
    m_context.warn(QStringLiteral("No Timecode Source Selected"), QStringLiteral("Please select a timecode source before sending."));
}

void SourceRateSelection::receiveReport(int num)
{
    Ui::MainWindow *ui = m_context.ui();
    QRadioButton *const all[] = {ui->radioButton,   ui->radioButton_2, ui->radioButton_3, ui->radioButton_4,
                                 ui->radioButton_5, ui->radioButton_6, ui->radioButton_7, ui->radioButton_8,
                                 ui->radioButton_9, ui->radioButton_10};
    for (QRadioButton *button : all)
        button->blockSignals(true);

    if (num >= Usb && num <= ArtNet) {
        sourceButton(num)->setChecked(true);
        const bool generator = num == Generator;
        m_context.applyTransportLook(generator);
        PanelContext::applyRadioGroupLook(ui->groupBox_2, generator);
    } else if (num >= 11 && num <= 14) {
        QRadioButton *const rates[] = {ui->radioButton_7, ui->radioButton_8, ui->radioButton_9, ui->radioButton_10};
        rates[num - 11]->setChecked(true);
    }

    for (QRadioButton *button : all)
        button->blockSignals(false);
}

void SourceRateSelection::rebuildValidator()
{
    Ui::MainWindow *ui = m_context.ui();
    auto *validator = new QRegularExpressionValidator(QRegularExpression(validatorPattern(m_context.rateText())),
                                                      m_context.window());
    ui->lineEdit_3->setValidator(validator);
    ui->lineEdit_2->setValidator(validator);
    ui->lineEdit->setValidator(validator);
    delete m_validator;
    m_validator = validator;
}

QRadioButton *SourceRateSelection::sourceButton(int number) const
{
    Ui::MainWindow *ui = m_context.ui();
    QRadioButton *const sources[] = {ui->radioButton,   ui->radioButton_2, ui->radioButton_3,
                                     ui->radioButton_4, ui->radioButton_5, ui->radioButton_6};
    return sources[number - 1];
}
