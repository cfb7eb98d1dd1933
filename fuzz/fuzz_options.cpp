// The analyser's option text ("SR=min,max;BW=a,b,c;PR=n"): any bytes give parameters of the kinds
// the text names, never more entries than the text has parts.
#include "FuzzSupport.h"
#include "devicelink/DeviceOptionsParser.h"

using namespace ZData;
using FuzzSupport::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSupport::setUp();
    const QByteArray text = FuzzSupport::bytes(data, size);
    const QVector<TDeviceParam> params = DeviceOptionsParser::parse(text, QStringLiteral("Fuzz"));
    check(params.size() <= text.count(';') + 1, "more parameters than parts");
    for (const TDeviceParam& p : params) {
        check(p.kind == EDeviceOptions::SCAN_RANGE || p.kind == EDeviceOptions::BANDWIDTH ||
                  p.kind == EDeviceOptions::PRESETS_COUNT,
              "unknown parameter kind");
        check(p.bandwidths.size() <= text.count(',') + 1, "more bandwidths than values");
    }
    return 0;
}
