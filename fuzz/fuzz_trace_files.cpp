// Binary (.tbin) and text (.dat) trace files: the first input byte picks the format. A file that
// is read holds no more points than a trace can, and writing it again reads back the same.
#include "FuzzSupport.h"
#include "measurement/TraceFiles.h"

using namespace ZData;
using namespace ZData::DS;
using FuzzSupport::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSupport::setUp();
    if (size == 0)
        return 0;
    const bool binary = (data[0] & 1) != 0;
    const QByteArray bytes = FuzzSupport::bytes(data + 1, size - 1);
    TTraceData trace;
    const bool ok = binary ? TraceFiles::fromBinary(bytes, trace) : TraceFiles::fromText(bytes, trace);
    if (!ok)
        return 0;
    check(trace.points.size() <= TraceFiles::MAX_POINTS, "more points than a trace holds");
    check(trace.points.size() == int(trace.pointCount), "point count and points disagree");
    if (binary) {
        TTraceData again;
        check(TraceFiles::fromBinary(TraceFiles::toBinary(trace), again), "own binary file refused");
        check(again.points.size() == trace.points.size(), "binary round trip point count");
        check(TraceFiles::toBinary(again) == TraceFiles::toBinary(trace), "binary round trip bytes");
    } else {
        TTraceData again;
        const QByteArray text = TraceFiles::toText(trace, 10000);
        check(TraceFiles::fromText(text, again), "own text file refused");
        check(again.points.size() == trace.points.size(), "text round trip point count");
    }
    return 0;
}
