#pragma once
// Replies of the feed as the public description of its hq_str format has them,
// and what Quillon must be told of each: a rise, a fall, a suspended stock
// (price 0), a name outside GB2312, a fall too small to show, the two indexes,
// a fund, whose prices keep their third decimal in every field, and a Beijing share.
#include "quote/gbk.h"
#include "tests/support/scriptedhttpserver.h"

namespace recorded {

struct Instrument {
    QByteArray symbol;
    const char16_t* name;
    QByteArray prices; // open, previous close, price, high, low
    QByteArray shown;  // price, change and high, as Quillon's fields 3, 4 and 11
};

// clang-format off
inline const Instrument kInstruments[] = {
    {"sh600000", u"浦发银行", "8.500,8.450,8.600,8.650,8.480", "8.60,1.78%,8.65"},
    {"sz000858", u"五粮液", "150.5,150,148.120,151,147.9", "148.12,-1.25%,151.00"},
    {"sz000002", u"万科Ａ", "0.000,9.800,0.000,0.000,0.000", "9.80,0.00%,9.80"},
    {"sz002752", u"昇兴股份", "5.600,5.550,5.610,5.700,5.500", "5.61,1.08%,5.70"},
    {"sh600519", u"贵州茅台", "1680,1680.01,1680.00,1681,1679", "1680.00,-0.00%,1681.00"},
    {"sh000001", u"上证指数", "3010.12,3012.3456,3021.789,3025.5,3001", "3021.79,0.31%,3025.50"},
    {"sz399001", u"深证成指", "9900,9928.1,9876.5449,9950,9860", "9876.54,-0.52%,9950.00"},
    {"sh510300", u"沪深300ETF", "3.500,3.498,3.512,3.52,3.4904", "3.512,0.40%,3.520"},
    {"bj430047", u"诺思兰德", "12.000,11.900,12.100,12.200,11.850", "12.10,1.68%,12.20"},
};
// clang-format on

inline QByteArray quillonTarget(const Instrument& i) {
    const bool index = i.symbol == "sh000001" || i.symbol == "sz399001";
    return (index ? "/msq?zs_" : "/msq?cn_") + i.symbol.mid(2);
}

// The record with all 33 values of the format, as the feed sends it.
inline ScriptedResponse feedReply(const Instrument& i) {
    ScriptedResponse response("var hq_str_" + i.symbol + "=\"" + gbk::encode(i.name) + "," +
                              i.prices + ",0,0,1200,10320," + QByteArray("100,0,").repeated(10) +
                              "2024-05-17,15:00:00,00\";\n");
    response.headers = {{"Content-Type", "application/javascript; charset=GB18030"}};
    return response;
}

} // namespace recorded
