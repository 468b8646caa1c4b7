#include "simoptions.h"

#include "framegenerator.h"

#include <QCommandLineParser>

namespace {
struct Identity {
    const char *model;
    const char *version;
    const char *serial;
    int channels;
    const char *names;
};

// Identity presets: the RV and RVQ families are recognised by their serial prefixes,
// the KT family and plain monitors by model name, the Cubrix models by model name.
const Identity MonitorKt{"KT-2400", "4.2.1", "KT24A00317", 4, "SDI 1,SDI 2,DP,DVI"};
const Identity MonitorRv{"RV-3100", "2.8.0", "RV31A00427", 3, "SDI 1,SDI 2,HDMI"};
const Identity MonitorRvq{"RVQ-3100", "2.8.0", "Q31B00118", 3, "SDI 1,SDI 2,HDMI"};
const Identity MonitorOther{"LM-2410", "3.0.5", "LM24C00981", 5, "SDI 1,SDI 2,YPbPr,Video,DVI"};
const Identity CubrixDefault{"Cubrix", "2.3.0", "CBX2300571", 2, "SDI 1,SDI 2"};

const Identity *presetFor(const QString &family)
{
    if (family == QLatin1String("kt"))
        return &MonitorKt;
    if (family == QLatin1String("rv"))
        return &MonitorRv;
    if (family == QLatin1String("rvq"))
        return &MonitorRvq;
    if (family == QLatin1String("other"))
        return &MonitorOther;
    return nullptr;
}

std::optional<int> intOption(const QCommandLineParser &parser, const QString &name, int minimum, int maximum,
                             QString *error)
{
    bool ok = false;
    const int value = parser.value(name).toInt(&ok, 0);
    if (!ok || value < minimum || value > maximum) {
        *error = QStringLiteral("--%1 must be a number from %2 to %3, not '%4'")
                     .arg(name)
                     .arg(minimum)
                     .arg(maximum)
                     .arg(parser.value(name));
        return std::nullopt;
    }
    return value;
}

QStringList listOption(const QString &text)
{
    QStringList items;
    for (const QString &item : text.split(QLatin1Char(','), Qt::KeepEmptyParts))
        items << item.trimmed();
    return items;
}
} // namespace

void SimOptions::addOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Plays a Brevanto device (a monitor or a Cubrix LUT box) on a loopback address, speaking MNCP.\n"
        "Every command is logged on one line; uploads are kept in memory (and in --dump-dir), except\n"
        "firmware images, which go to --dump-dir as they arrive or are only counted.\n"
        "Numbers may be decimal or 0x-hex; PROTO and REQ name an MNCP protocol and request, REQ may be *."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("role"), QStringLiteral("Device to play: monitor or cubrix (required)."), QStringLiteral("role")},
        {QStringLiteral("listen"), QStringLiteral("Loopback address to listen on (127.x.y.z or ::1; default 127.0.0.1). "
                                                  "Any other address is refused."),
         QStringLiteral("address"), QStringLiteral("127.0.0.1")},
        {QStringLiteral("port"), QStringLiteral("TCP port (default 18181)."), QStringLiteral("port"), QStringLiteral("18181")},
        {QStringLiteral("family"), QStringLiteral("Monitor identity preset: kt, rv, rvq or other (default rv). "
                                                  "Sets model, version, serial and channels; the options below override it."),
         QStringLiteral("family"), QStringLiteral("rv")},
        {QStringLiteral("model"), QStringLiteral("Model name reported (cubrix default \"Cubrix\"; also \"Cubrix Mono DP\", "
                                                 "\"Cubrix Mono SDI\")."),
         QStringLiteral("name")},
        {QStringLiteral("version"), QStringLiteral("Firmware version reported."), QStringLiteral("text")},
        {QStringLiteral("serial"), QStringLiteral("Serial number reported (a monitor serial starting with RV or Q puts it "
                                                  "in the RV or RVQ family)."),
         QStringLiteral("text")},
        {QStringLiteral("channels"), QStringLiteral("Number of channels reported (0 to 256)."), QStringLiteral("n")},
        {QStringLiteral("ports"), QStringLiteral("Number of ports reported (0 to 256; default: the channel count)."),
         QStringLiteral("n")},
        {QStringLiteral("channel-names"), QStringLiteral("Comma-separated channel names (missing ones are \"Input N\")."),
         QStringLiteral("list")},
        {QStringLiteral("channel-modes"), QStringLiteral("Comma-separated channel video modes (default \"1920x1080p 25\")."),
         QStringLiteral("list")},
        {QStringLiteral("frame-format"), QStringLiteral("Pixel format of captured frames: 1 (YCbCr 4:2:2), 2 (YCbCr 4:4:4), "
                                                        "258 (YCbCr 4:4:4 little-endian), 259 (RGB 4:4:4 little-endian). "
                                                        "Default 1."),
         QStringLiteral("code"), QStringLiteral("1")},
        {QStringLiteral("frame-size"), QStringLiteral("Size of captured frames, WIDTHxHEIGHT (default 1920x1080; "
                                                      "at most one 256 MiB message)."),
         QStringLiteral("WxH"), QStringLiteral("1920x1080")},
        {QStringLiteral("scope-rate"), QStringLiteral("Scope frames per second at most, like the video they measure "
                                                      "(default 25; 0: as fast as they are asked for)."),
         QStringLiteral("fps"), QStringLiteral("25")},
        {QStringLiteral("dump-dir"), QStringLiteral("Folder that receives a file for every upload (LUTs, frames, markers, "
                                                    "firmware)."),
         QStringLiteral("dir")},
        {QStringLiteral("log-file"), QStringLiteral("Append the log to this file instead of standard output."),
         QStringLiteral("file")},
        {QStringLiteral("verbose"), QStringLiteral("Also log the debug output of the shared protocol code.")},
        {QStringLiteral("chunk"), QStringLiteral("Fault: deliver replies in pieces of N bytes, one piece per millisecond."),
         QStringLiteral("n")},
        {QStringLiteral("read-rate"), QStringLiteral("Fault: read what a client sends at N bytes per second at most, "
                                                     "like a device writing to slow flash (default 0: unlimited)."),
         QStringLiteral("n")},
        {QStringLiteral("error-reply"), QStringLiteral("Fault: answer PROTO:REQ with an error reply of STATUS (default 1). "
                                                       "Repeatable."),
         QStringLiteral("PROTO:REQ[:STATUS]")},
        {QStringLiteral("bad-crc"), QStringLiteral("Fault: answer PROTO:REQ with a header whose CRC is wrong. Repeatable."),
         QStringLiteral("PROTO:REQ")},
        {QStringLiteral("bad-crc-after"), QStringLiteral("Fault: answer the first N commands of a connection, then send "
                                                         "replies with a wrong CRC."),
         QStringLiteral("n")},
        {QStringLiteral("close-after"), QStringLiteral("Fault: close each connection after answering N commands."),
         QStringLiteral("n")},
        {QStringLiteral("silent-after"), QStringLiteral("Fault: answer the first N commands of a connection, then stop "
                                                        "answering (commands are still read and logged)."),
         QStringLiteral("n")},
    });
}

std::optional<SimOptions> SimOptions::fromParser(const QCommandLineParser &parser, QString *error)
{
    SimOptions options;

    const QString role = parser.value(QStringLiteral("role")).toLower();
    if (role == QLatin1String("monitor")) {
        options.role = Role::Monitor;
    } else if (role == QLatin1String("cubrix")) {
        options.role = Role::Cubrix;
    } else {
        *error = role.isEmpty() ? QStringLiteral("--role is required: monitor or cubrix")
                                : QStringLiteral("--role must be monitor or cubrix, not '%1'").arg(role);
        return std::nullopt;
    }

    QString listen = parser.value(QStringLiteral("listen"));
    if (listen == QLatin1String("localhost"))
        listen = QStringLiteral("127.0.0.1");
    if (!options.address.setAddress(listen)) {
        *error = QStringLiteral("--listen '%1' is not an IP address").arg(listen);
        return std::nullopt;
    }
    // The simulator is a test peer for this machine only.
    if (!options.address.isLoopback()) {
        *error = QStringLiteral("--listen %1 refused: only loopback addresses (127.0.0.0/8, ::1) are allowed").arg(listen);
        return std::nullopt;
    }
    const auto port = intOption(parser, QStringLiteral("port"), 1, 65535, error);
    if (!port)
        return std::nullopt;
    options.port = static_cast<quint16>(*port);

    const Identity *identity = &CubrixDefault;
    if (options.role == Role::Monitor) {
        identity = presetFor(parser.value(QStringLiteral("family")).toLower());
        if (!identity) {
            *error = QStringLiteral("--family must be kt, rv, rvq or other, not '%1'").arg(parser.value(QStringLiteral("family")));
            return std::nullopt;
        }
    }
    options.model = parser.isSet(QStringLiteral("model")) ? parser.value(QStringLiteral("model")) : QString::fromLatin1(identity->model);
    options.version = parser.isSet(QStringLiteral("version")) ? parser.value(QStringLiteral("version")) : QString::fromLatin1(identity->version);
    options.serial = parser.isSet(QStringLiteral("serial")) ? parser.value(QStringLiteral("serial")) : QString::fromLatin1(identity->serial);
    options.channelNames = listOption(parser.isSet(QStringLiteral("channel-names")) ? parser.value(QStringLiteral("channel-names"))
                                                                                     : QString::fromLatin1(identity->names));
    options.channels = identity->channels;
    if (parser.isSet(QStringLiteral("channels"))) {
        const auto channels = intOption(parser, QStringLiteral("channels"), 0, 256, error);
        if (!channels)
            return std::nullopt;
        options.channels = *channels;
    } else if (parser.isSet(QStringLiteral("channel-names"))) {
        options.channels = options.channelNames.size();
    }
    options.ports = options.channels;
    if (parser.isSet(QStringLiteral("ports"))) {
        const auto ports = intOption(parser, QStringLiteral("ports"), 0, 256, error);
        if (!ports)
            return std::nullopt;
        options.ports = *ports;
    }
    if (parser.isSet(QStringLiteral("channel-modes")))
        options.channelModes = listOption(parser.value(QStringLiteral("channel-modes")));

    const auto format = intOption(parser, QStringLiteral("frame-format"), 0, 0xFFFF, error);
    if (!format)
        return std::nullopt;
    if (!FrameGenerator::isSupportedFormat(*format)) {
        *error = QStringLiteral("--frame-format must be 1, 2, 258 or 259, not %1").arg(*format);
        return std::nullopt;
    }
    options.frameFormat = *format;

    const QStringList size = parser.value(QStringLiteral("frame-size")).toLower().split(QLatin1Char('x'));
    bool widthOk = false, heightOk = false;
    if (size.size() == 2) {
        options.frameWidth = size.at(0).toInt(&widthOk);
        options.frameHeight = size.at(1).toInt(&heightOk);
    }
    if (!widthOk || !heightOk) {
        *error = QStringLiteral("--frame-size must be WIDTHxHEIGHT, not '%1'").arg(parser.value(QStringLiteral("frame-size")));
        return std::nullopt;
    }
    QString why;
    if (!FrameGenerator::isSupportedSize(options.frameFormat, options.frameWidth, options.frameHeight, &why)) {
        *error = QStringLiteral("--frame-size %1: %2").arg(parser.value(QStringLiteral("frame-size")), why);
        return std::nullopt;
    }
    const auto scopeRate = intOption(parser, QStringLiteral("scope-rate"), 0, 1000, error);
    if (!scopeRate)
        return std::nullopt;
    options.scopeRate = *scopeRate;

    options.dumpDir = parser.value(QStringLiteral("dump-dir"));
    options.logFile = parser.value(QStringLiteral("log-file"));
    options.verbose = parser.isSet(QStringLiteral("verbose"));

    if (parser.isSet(QStringLiteral("chunk"))) {
        const auto chunk = intOption(parser, QStringLiteral("chunk"), 1, 1 << 24, error);
        if (!chunk)
            return std::nullopt;
        options.faults.setChunkSize(*chunk);
    }
    for (const QString &text : parser.values(QStringLiteral("error-reply"))) {
        const auto rule = FaultInjector::parseRule(text, true, error);
        if (!rule) {
            *error = QStringLiteral("--error-reply: %1").arg(*error);
            return std::nullopt;
        }
        options.faults.addErrorRule(*rule);
    }
    for (const QString &text : parser.values(QStringLiteral("bad-crc"))) {
        const auto rule = FaultInjector::parseRule(text, false, error);
        if (!rule) {
            *error = QStringLiteral("--bad-crc: %1").arg(*error);
            return std::nullopt;
        }
        options.faults.addBadCrcRule(*rule);
    }
    const struct {
        const char *name;
        int minimum;
        void (FaultInjector::*set)(int);
    } counts[] = {
        {"bad-crc-after", 0, &FaultInjector::setBadCrcAfter},
        {"close-after", 1, &FaultInjector::setCloseAfter},
        {"silent-after", 0, &FaultInjector::setSilentAfter},
        {"read-rate", 0, &FaultInjector::setReadRate},
    };
    for (const auto &count : counts) {
        const QString name = QString::fromLatin1(count.name);
        if (!parser.isSet(name))
            continue;
        const auto value = intOption(parser, name, count.minimum, 1 << 30, error);
        if (!value)
            return std::nullopt;
        (options.faults.*count.set)(*value);
    }
    return options;
}
