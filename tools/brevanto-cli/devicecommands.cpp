#include "devicecommands.h"

#include "cliarguments.h"
#include "console.h"
#include "deviceactions.h"
#include "deviceinfo.h"
#include "helptexts.h"
#include "lut/lutcheck.h"
#include "mappedfile.h"
#include "outputfile.h"

#include "device/devicebase.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMetaEnum>
#include <cmath>

namespace {

const QStringList Actions{QStringLiteral("info"), QStringLiteral("key"), QStringLiteral("lut"),
                          QStringLiteral("frame"), QStringLiteral("firmware"), QStringLiteral("analyzer")};

constexpr double DefaultTimeoutSeconds = 10.0;
constexpr double MaxTimeoutSeconds = 3600.0;

int usage(const QString &message, const QString &topic)
{
    Console::err(QStringLiteral("brevanto-cli: %1").arg(message));
    Console::err(QStringLiteral("Run \"brevanto-cli %1 --help\" for usage.").arg(topic));
    return ExitUsage;
}

int failure(const QString &message)
{
    Console::err(QStringLiteral("brevanto-cli: %1").arg(message));
    return ExitFailure;
}

std::optional<int> keyCode(const QString &name)
{
    const QMetaEnum keys = QMetaEnum::fromType<DeviceBase::mncp_key_code>();
    QString upper = name.toUpper();
    if (!upper.startsWith(QLatin1String("MNCP_KEY_")))
        upper.prepend(QLatin1String("MNCP_KEY_"));
    bool ok = false;
    const int value = keys.keyToValue(upper.toLatin1().constData(), &ok);
    if (!ok)
        return std::nullopt;
    return value;
}

std::optional<int> lutFunc(const QString &name)
{
    static const QStringList names{QStringLiteral("calibration"), QStringLiteral("dit"), QStringLiteral("box"),
                                   QStringLiteral("post-calibration"), QStringLiteral("post-dit")};
    const int index = names.indexOf(name.toLower());
    if (index < 0)
        return std::nullopt;
    return index;
}

// Reasons a file must not be sent, found before any device is contacted.
QString checkUpload(const QString &path, bool lut)
{
    QFile file(path);
    if (!QFileInfo::exists(path))
        return QStringLiteral("%1: no such file").arg(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
    if (file.size() == 0)
        return QStringLiteral("%1 is empty").arg(path);
    if (!lut)
        return QString();
    if (path.endsWith(QLatin1String(".cube"), Qt::CaseInsensitive)) {
        file.close();
        const LutCheck::Report report = LutCheck::checkCube(path);
        if (!report.ok())
            return QStringLiteral("%1 is not a LUT the devices take whole: %2 (see \"brevanto-cli lut check %1\")")
                .arg(path, report.problems.join(QStringLiteral("; ")));
    } else if (path.endsWith(QLatin1String(".dat"), Qt::CaseInsensitive)) {
        file.close();
        MappedFile image;
        if (!image.open(path, LutCheck::MaxFileSize))
            return QStringLiteral("cannot read %1: %2").arg(path, image.errorString());
        const QStringList problems = LutCheck::checkBinaryImage(image.bytes());
        if (!problems.isEmpty())
            return QStringLiteral("%1 is not a binary 3D LUT image: %2").arg(path, problems.join(QStringLiteral("; ")));
    }
    return QString();
}

QString checkOutputFolder(const QString &path)
{
    const QString refusal = OutputFile(path).refusal();
    if (!refusal.isEmpty())
        return refusal;
    const QFileInfo folder(QFileInfo(path).absolutePath());
    if (!folder.isDir())
        return QStringLiteral("%1: no folder %2").arg(path, folder.filePath());
    if (!folder.isWritable())
        return QStringLiteral("%1: folder %2 is not writable").arg(path, folder.filePath());
    return QString();
}

} // namespace

QString DeviceCommands::pathForHost(const QString &path, const HostAddress &host, bool severalHosts)
{
    if (path.contains(QLatin1String("{host}")))
        return QString(path).replace(QLatin1String("{host}"), host.fileTag());
    if (!severalHosts)
        return path;
    const QFileInfo info(path);
    const QString suffix = info.suffix();
    const QString base = suffix.isEmpty() ? path : path.left(path.size() - suffix.size() - 1);
    return base + QLatin1Char('_') + host.fileTag() + (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
}

int DeviceCommands::run(CliArguments &arguments)
{
    QString action;
    for (const QString &word : arguments.remaining()) {
        if (Actions.contains(word)) {
            action = word;
            break;
        }
    }
    if (arguments.hasHelp()) {
        Console::out(HelpTexts::text(action.isEmpty() ? QStringLiteral("device") : QStringLiteral("device ") + action));
        return ExitSuccess;
    }
    const QString topic = QStringLiteral("device");

    const bool forceMonitor = arguments.takeFlag(QStringLiteral("monitor"));
    const bool forceCubrix = arguments.takeFlag(QStringLiteral("cubrix"));
    const bool json = arguments.takeFlag(QStringLiteral("json"));
    const std::optional<QString> timeoutText = arguments.takeValue(QStringLiteral("timeout"));
    const std::optional<QString> firmwareTimeoutText = arguments.takeValue(QStringLiteral("firmware-timeout"));
    if (!arguments.error().isEmpty())
        return usage(arguments.error(), topic);
    if (forceMonitor && forceCubrix)
        return usage(QStringLiteral("--monitor and --cubrix exclude each other"), topic);
    const DeviceSession::Kind kind = forceMonitor  ? DeviceSession::Kind::Monitor
                                     : forceCubrix ? DeviceSession::Kind::Cubrix
                                                   : DeviceSession::Kind::Detect;
    double timeoutSeconds = DefaultTimeoutSeconds;
    if (timeoutText) {
        bool ok = false;
        timeoutSeconds = timeoutText->toDouble(&ok);
        if (!ok || !(timeoutSeconds > 0.0) || timeoutSeconds > MaxTimeoutSeconds)
            return usage(QStringLiteral("--timeout must be a number of seconds above 0, not '%1'").arg(*timeoutText), topic);
    }
    DeviceSession::Timeouts timeouts;
    timeouts.replyMs = qMax(1, int(std::lround(timeoutSeconds * 1000.0)));
    if (firmwareTimeoutText) {
        bool ok = false;
        const double seconds = firmwareTimeoutText->toDouble(&ok);
        if (!ok || !(seconds > 0.0) || seconds > MaxTimeoutSeconds)
            return usage(QStringLiteral("--firmware-timeout must be a number of seconds above 0, not '%1'").arg(*firmwareTimeoutText), topic);
        timeouts.firmwareMs = qMax(1, int(std::lround(seconds * 1000.0)));
    }

    QList<HostAddress> hosts;
    for (QString word = arguments.takeWord(); word != action; word = arguments.takeWord()) {
        if (word.isEmpty()) {
            // Only the options of every action may stand among the hosts.
            if (!arguments.checkNothingLeft())
                return usage(arguments.error() + (action.isEmpty() ? QString() : QStringLiteral(" (options of %1 go after it)").arg(action)), topic);
            break;
        }
        QString error;
        const std::optional<HostAddress> host = HostAddress::parse(word, &error);
        if (!host)
            return usage(error, topic);
        if (hosts.contains(*host))
            return usage(QStringLiteral("%1 is listed twice").arg(word), topic);
        hosts << *host;
    }
    if (hosts.isEmpty())
        return usage(QStringLiteral("device needs at least one HOST"), topic);
    if (action.isEmpty())
        return usage(QStringLiteral("device needs an action: %1").arg(Actions.join(QStringLiteral(", "))), topic);
    const QString actionTopic = QStringLiteral("device ") + action;
    const bool severalHosts = hosts.size() > 1;

    if (action == QLatin1String("info")) {
        if (!arguments.checkNothingLeft())
            return usage(arguments.error(), actionTopic);
        return runSessions(hosts, kind, timeouts, json, action, [](const HostAddress &) { return DeviceActions::info(); });
    }

    if (action == QLatin1String("key")) {
        const QString name = arguments.takeWord();
        if (name.isEmpty())
            return usage(QStringLiteral("key needs a NAME"), actionTopic);
        if (!arguments.checkNothingLeft())
            return usage(arguments.error(), actionTopic);
        const std::optional<int> code = keyCode(name);
        if (!code)
            return usage(QStringLiteral("unknown key '%1'").arg(name), actionTopic);
        return runSessions(hosts, kind, timeouts, json, action,
                           [code](const HostAddress &) { return DeviceActions::key(*code); });
    }

    if (action == QLatin1String("lut")) {
        DeviceActions::LutRequest request;
        const QString operation = arguments.takeWord();
        static const QStringList operations{QStringLiteral("send"), QStringLiteral("save"), QStringLiteral("load"),
                                            QStringLiteral("on"), QStringLiteral("off")};
        if (!operations.contains(operation))
            return usage(operation.isEmpty() ? QStringLiteral("lut needs send, save, load, on or off")
                                             : QStringLiteral("unknown lut operation '%1'").arg(operation),
                         actionTopic);
        request.operation = static_cast<DeviceActions::LutRequest::Operation>(operations.indexOf(operation));
        const bool withFile = request.operation == DeviceActions::LutRequest::Operation::Send
                              || request.operation == DeviceActions::LutRequest::Operation::Save;
        if (withFile) {
            request.file = arguments.takeWord();
            if (request.file.isEmpty())
                return usage(QStringLiteral("lut %1 needs a FILE").arg(operation), actionTopic);
        }
        const std::optional<QString> typeText = arguments.takeValue(QStringLiteral("type"));
        const std::optional<QString> funcText = arguments.takeValue(QStringLiteral("func"));
        const std::optional<QString> slotText = arguments.takeValue(QStringLiteral("slot"));
        const std::optional<QString> bitsText = arguments.takeValue(QStringLiteral("bits"));
        if (!arguments.checkNothingLeft())
            return usage(arguments.error(), actionTopic);
        if (typeText) {
            const QString type = typeText->toLower();
            if (type != QLatin1String("1d") && type != QLatin1String("3d"))
                return usage(QStringLiteral("--type must be 1d or 3d, not '%1'").arg(*typeText), actionTopic);
            request.type = type == QLatin1String("3d") ? 1 : 0;
        } else {
            request.type = request.file.endsWith(QLatin1String(".lut"), Qt::CaseInsensitive) ? 0 : 1;
        }
        if (funcText) {
            const std::optional<int> func = lutFunc(*funcText);
            if (!func)
                return usage(QStringLiteral("--func must be calibration, dit, box, post-calibration or post-dit, not '%1'")
                                 .arg(*funcText),
                             actionTopic);
            request.func = *func;
        }
        if (request.operation == DeviceActions::LutRequest::Operation::Send && slotText)
            return usage(QStringLiteral("lut send goes to the active LUT; --slot is for save, load, on and off"), actionTopic);
        if (slotText) {
            const std::optional<int> slot = CliArguments::toInt(*slotText, 1, 16);
            if (!slot)
                return usage(QStringLiteral("--slot must be 1 to 16, not '%1'").arg(*slotText), actionTopic);
            request.slot = *slot;
        } else if (request.operation == DeviceActions::LutRequest::Operation::Save
                   || request.operation == DeviceActions::LutRequest::Operation::Load) {
            return usage(QStringLiteral("lut %1 needs --slot N").arg(operation), actionTopic);
        }
        if (bitsText) {
            static const QStringList bits{QStringLiteral("8"), QStringLiteral("10"), QStringLiteral("12")};
            if (!bits.contains(*bitsText))
                return usage(QStringLiteral("--bits must be 8, 10 or 12, not '%1'").arg(*bitsText), actionTopic);
            request.bitCode = bits.indexOf(*bitsText) + 1;
        }
        if (withFile) {
            const QString problem = checkUpload(request.file, true);
            if (!problem.isEmpty())
                return failure(problem);
        }
        return runSessions(hosts, kind, timeouts, json, action,
                           [request](const HostAddress &) { return DeviceActions::lut(request); });
    }

    if (action == QLatin1String("frame")) {
        const QString operation = arguments.takeWord();
        if (operation != QLatin1String("capture"))
            return usage(operation.isEmpty() ? QStringLiteral("frame needs capture")
                                             : QStringLiteral("unknown frame operation '%1'").arg(operation),
                         actionTopic);
        const std::optional<QString> output = arguments.takeValue(QStringLiteral("out"));
        const bool afterLuts = arguments.takeFlag(QStringLiteral("after-luts"));
        if (!arguments.checkNothingLeft())
            return usage(arguments.error(), actionTopic);
        if (!output || output->isEmpty())
            return usage(QStringLiteral("frame capture needs --out FILE"), actionTopic);
        const QString suffix = QFileInfo(*output).suffix().toLower();
        static const QStringList suffixes{QStringLiteral("raw"), QStringLiteral("png"), QStringLiteral("jpg"),
                                          QStringLiteral("jpeg"), QStringLiteral("bmp")};
        if (!suffixes.contains(suffix))
            return usage(QStringLiteral("%1: the file must end in .raw, .png, .jpg or .bmp").arg(*output), actionTopic);
        for (const HostAddress &host : hosts) {
            const QString problem = checkOutputFolder(pathForHost(*output, host, severalHosts));
            if (!problem.isEmpty())
                return failure(problem);
        }
        const QString path = *output;
        return runSessions(hosts, kind, timeouts, json, action, [path, severalHosts, afterLuts](const HostAddress &host) {
            return DeviceActions::captureFrame(pathForHost(path, host, severalHosts), afterLuts);
        });
    }

    if (action == QLatin1String("firmware")) {
        const QString path = arguments.takeWord();
        if (path.isEmpty())
            return usage(QStringLiteral("firmware needs a FILE"), actionTopic);
        if (!arguments.checkNothingLeft())
            return usage(arguments.error(), actionTopic);
        const QString problem = checkUpload(path, false);
        if (!problem.isEmpty())
            return failure(problem);
        return runSessions(hosts, kind, timeouts, json, action,
                           [path](const HostAddress &) { return DeviceActions::firmware(path); });
    }

    // analyzer
    const std::optional<QString> png = arguments.takeValue(QStringLiteral("png"));
    const std::optional<QString> pdf = arguments.takeValue(QStringLiteral("pdf"));
    const bool last = arguments.takeFlag(QStringLiteral("last"));
    const bool print = arguments.takeFlag(QStringLiteral("print"));
    if (!arguments.checkNothingLeft())
        return usage(arguments.error(), actionTopic);
    if ((!png || png->isEmpty()) && (!pdf || pdf->isEmpty()))
        return usage(QStringLiteral("analyzer needs --png FILE and/or --pdf FILE"), actionTopic);
    const QString pngPath = png.value_or(QString());
    const QString pdfPath = pdf.value_or(QString());
    for (const HostAddress &host : hosts) {
        for (const QString &path : {pngPath, pdfPath}) {
            const QString problem = path.isEmpty() ? QString() : checkOutputFolder(pathForHost(path, host, severalHosts));
            if (!problem.isEmpty())
                return failure(problem);
        }
    }
    return runSessions(hosts, kind, timeouts, json, action, [=](const HostAddress &host) {
        return DeviceActions::analyzer(pngPath.isEmpty() ? QString() : pathForHost(pngPath, host, severalHosts),
                                       pdfPath.isEmpty() ? QString() : pathForHost(pdfPath, host, severalHosts), last,
                                       print);
    });
}

int DeviceCommands::runSessions(const QList<HostAddress> &hosts, DeviceSession::Kind kind, const DeviceSession::Timeouts &timeouts, bool json,
                                const QString &action, const StepsFor &stepsFor)
{
    QObject owner;
    QList<DeviceSession *> sessions;
    QEventLoop loop;
    int running = hosts.size();
    for (const HostAddress &host : hosts) {
        auto *session = new DeviceSession(host, kind, timeouts, &owner);
        session->setSteps(stepsFor(host));
        QObject::connect(session, &DeviceSession::finished, &loop, [&running, &loop] {
            if (--running == 0)
                loop.quit();
        });
        sessions << session;
    }
    for (DeviceSession *session : sessions)
        session->start();
    if (running > 0)
        loop.exec();

    // Reported in the order given, whatever order the devices finished in.
    int failed = 0;
    QJsonArray results;
    for (DeviceSession *session : sessions) {
        const QString name = session->host().displayName();
        QJsonObject result = session->details();
        const QJsonObject info = result.take(QStringLiteral("info")).toObject();
        for (auto it = info.begin(); it != info.end(); ++it)
            result.insert(it.key(), it.value());
        result.insert(QStringLiteral("host"), session->host().address());
        result.insert(QStringLiteral("port"), int(session->host().port()));
        result.insert(QStringLiteral("ok"), session->succeeded());
        if (!session->model().isEmpty() || session->succeeded()) {
            result.insert(QStringLiteral("type"), session->kindName());
            result.insert(QStringLiteral("model"), session->model());
        }
        if (!session->succeeded()) {
            ++failed;
            result.insert(QStringLiteral("error"), session->error());
            Console::err(QStringLiteral("%1: error: %2").arg(name, session->error()));
        } else if (!json) {
            if (action == QLatin1String("info")) {
                Console::out(QStringLiteral("%1:").arg(name));
                for (const QString &line : DeviceInfo::toText(info))
                    Console::out(line);
            } else {
                QStringList notes = session->notes();
                notes.prepend(QStringLiteral("ok"));
                Console::out(QStringLiteral("%1: %2 %3: %4").arg(name, session->kindName(), session->model(),
                                                                 notes.join(QStringLiteral(", "))));
            }
        }
        results.append(result);
    }
    if (json)
        Console::out(QString::fromUtf8(QJsonDocument(results).toJson(QJsonDocument::Indented)).trimmed());
    if (failed > 0 && hosts.size() > 1)
        Console::err(QStringLiteral("brevanto-cli: %1 of %2 hosts failed").arg(failed).arg(hosts.size()));
    return failed == 0 ? ExitSuccess : ExitFailure;
}
