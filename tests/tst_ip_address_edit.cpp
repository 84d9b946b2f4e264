// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/IpAddressEdit.h"
#include "settings/IpSegmentEdit.h"
#include "settings/SettingsStyles.h"

#include <QApplication>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QtTest>

// Keys go to whichever widget has the focus, as a user's typing does, so the
// editor's own focus moves are followed.
class TestIpAddressEdit : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void fullOctetsAdvanceByThemselves();
    void dotKeyMovesOnAndIsNeverInserted();
    void octetsStayWithin255();
    void digitInFullSegmentContinuesInNext();
    void arrowsAndBackspaceCrossSegments();
    void keysWithoutDigitsAreRefused();
    void leavingSegmentNormalisesIt();
    void addressAndSetAddress();
    void focusFrame();

private:
    void type(const QString &keys);
    QStringList octets() const;
    IpSegmentEdit *seg(int i) const { return edit->segment(i); }

    QWidget *window = nullptr;
    IpAddressEdit *edit = nullptr;
    QLineEdit *other = nullptr;
};

void TestIpAddressEdit::init()
{
    window = new QWidget;
    auto *layout = new QVBoxLayout(window);
    edit = new IpAddressEdit(window);
    other = new QLineEdit(window);
    layout->addWidget(edit);
    layout->addWidget(other);
    window->show();
    QApplication::setActiveWindow(window);
    QVERIFY(QTest::qWaitForWindowActive(window));
    seg(0)->setFocus();
    QTRY_VERIFY(seg(0)->hasFocus());
}

void TestIpAddressEdit::cleanup()
{
    delete window;
    window = nullptr;
}

void TestIpAddressEdit::type(const QString &keys)
{
    for (QChar c : keys) {
        QWidget *target = QApplication::focusWidget();
        QVERIFY(target);
        QTest::keyClick(target, c.toLatin1());
    }
}

QStringList TestIpAddressEdit::octets() const
{
    return {seg(0)->text(), seg(1)->text(), seg(2)->text(), seg(3)->text()};
}

void TestIpAddressEdit::fullOctetsAdvanceByThemselves()
{
    type("192168");
    QCOMPARE(octets(), (QStringList{"192", "168", "", ""}));
    QVERIFY(seg(2)->hasFocus());
    // 61 is not full and 611 is no octet, so the 1 after it is refused.
    type("611");
    QCOMPARE(seg(2)->text(), QStringLiteral("61"));
    QVERIFY(seg(2)->hasFocus());
    type(".112");
    QCOMPARE(octets(), (QStringList{"192", "168", "61", "112"}));
    QVERIFY(seg(3)->hasFocus());
    QCOMPARE(edit->address(), QStringLiteral("192.168.61.112"));

    // A fourth digit in a full last segment is swallowed.
    type("5");
    QCOMPARE(seg(3)->text(), QStringLiteral("112"));
}

void TestIpAddressEdit::dotKeyMovesOnAndIsNeverInserted()
{
    // After 192 the focus is already in segment 1, so the dot moves on again.
    type("192.168");
    QCOMPARE(octets(), (QStringList{"192", "", "168", ""}));
    QCOMPARE(edit->address(), QString());

    seg(0)->clear();
    seg(2)->clear();
    seg(0)->setFocus();
    type("61.5");
    QCOMPARE(octets(), (QStringList{"61", "5", "", ""}));

    seg(3)->setFocus();
    type(".");
    QVERIFY(seg(3)->hasFocus());
    QCOMPARE(seg(3)->text(), QString());
}

void TestIpAddressEdit::octetsStayWithin255()
{
    type("256");
    QCOMPARE(seg(0)->text(), QStringLiteral("25"));
    QVERIFY(seg(0)->hasFocus());
    type("5");
    QCOMPARE(seg(0)->text(), QStringLiteral("255"));
    QVERIFY(seg(1)->hasFocus());

    // Typing over a selection is judged on the text it would leave.
    seg(0)->setFocus();
    seg(0)->setSelection(1, 2);
    type("9");
    QCOMPARE(seg(0)->text(), QStringLiteral("29"));
    seg(0)->setSelection(0, 1);
    type("3");
    QCOMPARE(seg(0)->text(), QStringLiteral("39"));
    seg(0)->setCursorPosition(0);
    type("3");
    QCOMPARE(seg(0)->text(), QStringLiteral("39"));
}

void TestIpAddressEdit::digitInFullSegmentContinuesInNext()
{
    seg(0)->setText(QStringLiteral("192"));
    seg(1)->setText(QStringLiteral("168"));
    seg(0)->setFocus();
    seg(0)->setCursorPosition(1);
    type("7");
    QVERIFY(seg(1)->hasFocus());
    QCOMPARE(seg(0)->text(), QStringLiteral("192"));
    QCOMPARE(seg(1)->text(), QStringLiteral("7"));
}

void TestIpAddressEdit::arrowsAndBackspaceCrossSegments()
{
    seg(0)->setText(QStringLiteral("10"));
    seg(1)->setText(QStringLiteral("20"));
    seg(0)->setFocus();
    seg(0)->setCursorPosition(1);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QVERIFY(seg(0)->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QVERIFY(seg(1)->hasFocus());
    QCOMPARE(seg(1)->selectedText(), QStringLiteral("20"));

    seg(1)->setCursorPosition(0);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
    QVERIFY(seg(0)->hasFocus());
    QVERIFY(!seg(0)->hasSelectedText());
    QCOMPARE(seg(0)->cursorPosition(), 2);
    // Left at the start of the first segment stays there.
    seg(0)->setCursorPosition(0);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
    QVERIFY(seg(0)->hasFocus());

    // Backspace in an empty segment only moves back; nothing is deleted.
    seg(2)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    QVERIFY(seg(1)->hasFocus());
    QCOMPARE(seg(1)->text(), QStringLiteral("20"));
    QCOMPARE(seg(1)->cursorPosition(), 2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    QCOMPARE(seg(1)->text(), QStringLiteral("2"));

    // Right at the end of the last segment stays there.
    seg(3)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QVERIFY(seg(3)->hasFocus());
}

void TestIpAddressEdit::keysWithoutDigitsAreRefused()
{
    type("1a-");
    QCOMPARE(seg(0)->text(), QStringLiteral("1"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(seg(0)->text(), QStringLiteral("1"));
    QVERIFY(seg(0)->hasFocus());
    // Tab is ordinary navigation.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QVERIFY(seg(1)->hasFocus());
}

void TestIpAddressEdit::leavingSegmentNormalisesIt()
{
    seg(0)->setText(QStringLiteral("007"));
    seg(1)->setFocus();
    QCOMPARE(seg(0)->text(), QStringLiteral("7"));

    // Text that bypassed the keys, as a paste does, is checked on leaving.
    seg(1)->setText(QStringLiteral("300"));
    seg(2)->setFocus();
    QCOMPARE(seg(1)->text(), QString());
    seg(2)->setText(QStringLiteral("ab"));
    QCOMPARE(edit->address(), QString());
    seg(0)->setText("1");
    seg(1)->setText("2");
    seg(3)->setText("4");
    // Until then the bad octet is shown to the caller, not turned into 0.
    QCOMPARE(edit->address(), QStringLiteral("1.2.ab.4"));
    seg(3)->setFocus();
    QCOMPARE(seg(2)->text(), QString());
}

void TestIpAddressEdit::addressAndSetAddress()
{
    edit->setAddress(QStringLiteral("10.0.0.1"));
    QCOMPARE(octets(), (QStringList{"10", "0", "0", "1"}));
    QCOMPARE(edit->address(), QStringLiteral("10.0.0.1"));
    edit->setAddress(QStringLiteral("010.000.000.001"));
    QCOMPARE(octets(), (QStringList{"10", "0", "0", "1"}));

    for (const char *bad : {"10.0.0", "1.2.3.300", "1.2.3.4.5", "a.b.c.d", "", "1.-2.3.4"}) {
        edit->setAddress(QStringLiteral("9.9.9.9"));
        edit->setAddress(QString::fromLatin1(bad));
        QCOMPARE(octets(), (QStringList{"", "", "", ""}));
    }

    seg(0)->setText("192");
    seg(1)->setText("168");
    seg(3)->setText("1");
    QCOMPARE(edit->address(), QString());
    seg(2)->setText(" 05 ");
    QCOMPARE(edit->address(), QStringLiteral("192.168.5.1"));
}

void TestIpAddressEdit::focusFrame()
{
    const QString blue = QLatin1String(SettingsStyles::kIpAddressEditFocused);
    const QString grey = QLatin1String(SettingsStyles::kIpAddressEditIdle);
    QCOMPARE(edit->styleSheet(), blue);
    seg(1)->setFocus();
    QCOMPARE(edit->styleSheet(), blue);
    type("12.");
    QCOMPARE(edit->styleSheet(), blue);
    other->setFocus();
    QCOMPARE(edit->styleSheet(), grey);
    seg(3)->setFocus();
    QCOMPARE(edit->styleSheet(), blue);
}

QTEST_MAIN(TestIpAddressEdit)
#include "tst_ip_address_edit.moc"
