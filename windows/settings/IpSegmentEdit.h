// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLineEdit>

class IpAddressEdit;

// One octet of an IpAddressEdit. All input control is in the key handler:
// only digits that keep the octet at 0 to 255 go in, a full octet moves on to
// the next one, and the dot and arrow keys and Backspace cross between octets.
class IpSegmentEdit : public QLineEdit
{
public:
    IpSegmentEdit(IpAddressEdit *owner, int index);

    int segmentIndex() const { return index; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    // Leaves the plain decimal form behind (007 becomes 7) and clears what is
    // not an octet, such as a pasted 300.
    void focusOutEvent(QFocusEvent *event) override;

private:
    void typeDigit(QKeyEvent *event);

    int index;
    IpAddressEdit *owner;
};
