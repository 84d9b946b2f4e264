// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ip_Dialog.h"
#include "support/MessageBoxRecorder.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

class TestIpDialog : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void modeEnablesTheFields();
    void buttonsRaiseTheirSignals();
    void cursorSnapsToTypedDigits();
    void badAddressIsRefusedOnLeaving();
    void leavingAFieldLeavesTheSubnetAlone();

private:
    QLineEdit *field(ip_Dialog::Field f) { return dialog->field(f); }

    ip_Dialog *dialog = nullptr;
};

void TestIpDialog::init()
{
    dialog = new ip_Dialog;
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
}

void TestIpDialog::cleanup()
{
    MessageBoxRecorder().closeOpen();
    delete dialog;
}

void TestIpDialog::modeEnablesTheFields()
{
    QCOMPARE(dialog->modeIndex(), ip_Dialog::kModeDhcp);
    QVERIFY(!field(ip_Dialog::AddressField)->isEnabled());
    dialog->setModeIndex(ip_Dialog::kModeManual);
    for (auto f : {ip_Dialog::AddressField, ip_Dialog::SubnetField, ip_Dialog::GatewayField})
        QVERIFY(field(f)->isEnabled());
    dialog->setModeIndex(-1);
    QVERIFY(field(ip_Dialog::AddressField)->isEnabled());
    dialog->setModeIndex(ip_Dialog::kModeDhcp);
    for (auto f : {ip_Dialog::AddressField, ip_Dialog::SubnetField, ip_Dialog::GatewayField})
        QVERIFY(!field(f)->isEnabled());
}

void TestIpDialog::buttonsRaiseTheirSignals()
{
    QSignalSpy read(dialog, &ip_Dialog::read_ip);
    QSignalSpy set(dialog, &ip_Dialog::set_ip);
    dialog->findChild<QPushButton *>("pushButton_2")->click();
    QCOMPARE(set.count(), 1);
    QCOMPARE(read.count(), 0);
    QVERIFY(!dialog->isReadConfirmPending());
    dialog->findChild<QPushButton *>("pushButton")->click();
    QCOMPARE(read.count(), 1);
    QVERIFY(dialog->isReadConfirmPending());
}

void TestIpDialog::cursorSnapsToTypedDigits()
{
    QLineEdit *ip = field(ip_Dialog::AddressField);
    ip->setText("192.168.6.1");
    // Shown as "192.168.6  .1  ": group 2 has one typed digit at 8, group 3
    // one at 12. (The line edit itself steps over the dots.)
    const QList<QPair<int, int>> moves = {
        {10, 9},  // past the typed digits: just after the last one
        {9, 9},
        {8, 8},
        {6, 6},
        {2, 2},
        {15, 13}, // the last group ends after its last typed digit
        {14, 13},
        {12, 12},
    };
    for (const auto &m : moves) {
        ip->setCursorPosition(0);
        ip->setCursorPosition(m.first);
        QCOMPARE(ip->cursorPosition(), m.second);
    }
    // Typing straight through is not disturbed.
    dialog->setModeIndex(ip_Dialog::kModeManual);
    ip->clear();
    ip->setFocus();
    ip->setCursorPosition(0);
    QTest::keyClicks(ip, "010000000001");
    QCOMPARE(ip->text(), QStringLiteral("010.000.000.001"));
    ip->clear();
    ip->setCursorPosition(0);
    QTest::keyClicks(ip, "192168061112");
    QCOMPARE(ip->text(), QStringLiteral("192.168.061.112"));

    ip->setText("1.2.3.");
    ip->setCursorPosition(14);
    QCOMPARE(ip->cursorPosition(), 12);
    ip->setCursorPosition(0);
    ip->setCursorPosition(6);
    QCOMPARE(ip->cursorPosition(), 5);
}

void TestIpDialog::badAddressIsRefusedOnLeaving()
{
    dialog->setModeIndex(ip_Dialog::kModeManual);
    QLineEdit *mask = field(ip_Dialog::SubnetField);
    mask->setText("300.255.255.0");
    emit mask->editingFinished();
    QList<MessageBoxRecorder::Box> boxes = MessageBoxRecorder().closeOpen();
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].icon, QMessageBox::Warning);
    QCOMPARE(boxes[0].title, QStringLiteral("Invalid IP Address"));
    QCOMPARE(boxes[0].text, QStringLiteral("The IP address is invalid. Please enter a valid IP address."));
    QCOMPARE(boxes[0].parent, dialog);
    QCOMPARE(mask->text(), QStringLiteral("..."));

    // A field left empty is not sent, and not worth another box.
    emit mask->editingFinished();
    QVERIFY(MessageBoxRecorder().closeOpen().isEmpty());

    mask->setText("255.255.255.");
    emit mask->editingFinished();
    QCOMPARE(MessageBoxRecorder().closeOpen().size(), 1);

    // Nothing is checked while the fields are off or the dialog is closed.
    mask->setText("300.1.1.1");
    dialog->setModeIndex(ip_Dialog::kModeDhcp);
    emit mask->editingFinished();
    dialog->setModeIndex(ip_Dialog::kModeManual);
    dialog->hide();
    emit mask->editingFinished();
    QVERIFY(MessageBoxRecorder().closeOpen().isEmpty());
    QCOMPARE(mask->text(), QStringLiteral("300.1.1.1"));
}

// Moving the unit to another subnet changes the fields one after the other:
// leaving one says nothing and moves no cursor; Set compares them.
void TestIpDialog::leavingAFieldLeavesTheSubnetAlone()
{
    dialog->setModeIndex(ip_Dialog::kModeManual);
    QLineEdit *ip = field(ip_Dialog::AddressField);
    QLineEdit *gateway = field(ip_Dialog::GatewayField);
    ip->setText("10.0.0.5");
    gateway->setFocus();
    emit ip->editingFinished();
    QVERIFY(MessageBoxRecorder().closeOpen().isEmpty());
    QCOMPARE(ip->text(), QStringLiteral("10.0.0.5"));
    QCOMPARE(dialog->focusWidget(), gateway);
}

QTEST_MAIN(TestIpDialog)
#include "tst_ip_dialog.moc"
