#pragma once

#include <QString>

// How the local update server answers; filled from the command line.
struct UpdateServerConfig
{
    // Failures the server can be told to answer with, to try the program's handling of each.
    enum class EFail
    {
        NONE,
        BIN_NOT_FOUND, // the update request gets error 6
        NOT_AVAILABLE, // version and update requests get error 5
        EMPTY,         // the update request gets the OK marker without a file
        GARBAGE,       // every request gets a body that is not the protocol's
        BAD_BASE64,    // the update request gets a file that is not Base64
        SLOW,          // every request is answered only after slowMs
        THROTTLED,     // every answer trickles out at rateBytesPerSecond, a slow but working line
    };

    quint16 port = 0;
    QString imagesDir;
    EFail fail = EFail::NONE;
    int slowMs = 10000;
    int rateBytesPerSecond = 40000;
    // "#OK:" without the blank after it, a form servers also send.
    bool compact = false;
    bool quitOnEof = false;
};
