#pragma once

#include <QStringList>

namespace zol::test {

using namespace Qt::StringLiterals;

// Settings strings that the parser and the serial control both refuse whole.
inline QStringList malformedLineSettings()
{
    return {u"2400,x,8,1"_s,
            u"2400,n,9,1"_s,
            u"2400,n,8"_s,
            u"abc,n,8,1"_s,
            u"-5,n,8,1"_s,
            u"0,n,8,1"_s,
            u"+2400,n,8,1"_s,
            u"2400,n,8,1,"_s,
            u"2400,n,8,3"_s,
            u"2400,n,4,1"_s,
            u"2400,,8,1"_s,
            u"2400,no,8,1"_s,
            u""_s,
            u","_s,
            u"2400;n;8;1"_s,
            u"99999999999,n,8,1"_s,
            u"2400,n,88,1"_s,
            u"24 00,n,8,1"_s,
            u"2400,n,8,1.0"_s};
}

} // namespace zol::test
