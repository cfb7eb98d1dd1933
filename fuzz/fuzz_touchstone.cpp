// Touchstone files as other tools write them, and anything else: a file that is read gives finite
// points with rising frequencies, and what the program writes of them reads back the same.
#include <cmath>

#include "FuzzSupport.h"
#include "measurement/TouchstoneFile.h"

using namespace ZData;
using FuzzSupport::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSupport::setUp();
    const QByteArray text = FuzzSupport::bytes(data, size);
    TScanPoints points;
    QString error;
    if (!TouchstoneFile::parse(text, points, &error)) {
        check(points.isEmpty(), "a refused file left points");
        check(!error.isEmpty() && !error.contains(QLatin1Char('\n')), "refusal without a one-line reason");
        return 0;
    }
    for (int i = 0; i < points.size(); ++i) {
        check(std::isfinite(points[i].re) && std::isfinite(points[i].im), "a non-finite value was stored");
        check(i == 0 || points[i].frequency > points[i - 1].frequency, "frequencies do not rise");
    }
    TScanPoints again;
    check(TouchstoneFile::parse(TouchstoneFile::format(points), again, &error), "own file refused");
    check(again.size() == points.size(), "own file reads back another point count");
    for (int i = 0; i < points.size(); ++i)
        check(again[i].frequency == points[i].frequency, "own file reads back other frequencies");
    return 0;
}
