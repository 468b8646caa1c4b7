#include "deviceactions.h"

#include "console.h"
#include "device/devicefamily.h"
#include "deviceinfo.h"

#include "mappedfile.h"
#include "outputfile.h"

#include "capture/captureframe.h"
#include "capture/frameheader.h"
#include "cubrix/cubrix.h"
#include "mncp/mncpids.h"
#include "mncp/sockethandler.h"
#include "monitor/monitor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QUrl>
#include <memory>
#include <optional>

namespace {

constexpr int CaptureFeature = 2;

// A device operation that queued nothing was refused by the device class; its log lines say why.
QString sentOrRefused(const DeviceSession &session, const Console::Capture &capture, const QString &what)
{
    if (session.isBusy())
        return QString();
    const QString reason = capture.reason();
    return QStringLiteral("%1 was not sent%2").arg(what, reason.isEmpty() ? QString() : QStringLiteral(": ") + reason);
}

const char *const FuncNames[] = {"calibration", "dit", "box", "post-calibration", "post-dit"};

} // namespace

DeviceActions::Steps DeviceActions::info()
{
    return {
        [](DeviceSession &session) {
            // A Cubrix never asks for its channel count itself; a box that does not answer it
            // simply shows none.
            Cubrix *cubrix = session.cubrix();
            if (cubrix && cubrix->channelList().size() == 0) {
                session.tolerateError(MNCP_PROTOCOL_BASIC_INFO, MNCP_INFO_CHANNEL_COUNT);
                cubrix->appendCmd(MNCP_PROTOCOL_BASIC_INFO, MNCP_INFO_CHANNEL_COUNT);
            }
            return QString();
        },
        [](DeviceSession &session) {
            session.details().insert(QStringLiteral("info"), DeviceInfo::collect(session));
            return QString();
        },
    };
}

DeviceActions::Steps DeviceActions::key(int keyCode)
{
    return {[keyCode](DeviceSession &session) {
        Console::Capture capture;
        const auto key = static_cast<DeviceBase::mncp_key_code>(keyCode);
        if (Monitor *monitor = session.monitor())
            monitor->sendKey(key);
        else
            session.cubrix()->sendKey(key);
        return sentOrRefused(session, capture, QStringLiteral("the key"));
    }};
}

QString DeviceActions::lutOnMonitor(DeviceSession &session, const LutRequest &request)
{
    Monitor *monitor = session.monitor();
    const auto type = static_cast<Monitor::LutType>(request.type);
    const auto func = static_cast<Monitor::LutFunc>(request.func);
    const QUrl url = QUrl::fromLocalFile(request.file);
    // The calibration boxes of the RV page name their six slots and pass the slot number as it
    // stands; every other box passes its "Id:" minus one.
    const bool rv = DeviceFamily::isRVseries(session.model(), session.serial());
    const bool namedSlots = (rv || DeviceFamily::isRVQseries(session.model(), session.serial()))
                            && (func == Monitor::LUT_FUNC_CALIBRATION || func == Monitor::LUT_FUNC_POST_CALIBRATION);
    const bool slotted = request.operation == LutRequest::Operation::Save || request.operation == LutRequest::Operation::Load;
    if (slotted && namedSlots && request.slot > 6)
        return QStringLiteral("this monitor's %1 LUTs have the named slots 1 to 6").arg(QLatin1String(FuncNames[request.func]));
    const int id = slotted && namedSlots ? request.slot : request.slot - 1;

    switch (request.operation) {
    case LutRequest::Operation::Send:
        monitor->sendLutFileDownscale(type, func, 0, url);
        break;
    case LutRequest::Operation::Save:
        if (namedSlots && rv)
            monitor->saveLutFileRV(type, func, id, url);
        else
            monitor->saveLutFile(type, func, id, url);
        break;
    case LutRequest::Operation::Load:
        monitor->loadLut(type, func, id);
        break;
    case LutRequest::Operation::On:
    case LutRequest::Operation::Off:
        monitor->setLut(type, func, id, request.operation == LutRequest::Operation::On);
        break;
    }
    return QString();
}

QString DeviceActions::lutOnCubrix(DeviceSession &session, const LutRequest &request)
{
    Cubrix *cubrix = session.cubrix();
    const bool transfer = request.operation == LutRequest::Operation::Send || request.operation == LutRequest::Operation::Save;
    const bool switching = request.operation == LutRequest::Operation::On || request.operation == LutRequest::Operation::Off;
    // Refused here, with a reason: the Cubrix would only log it, and for a switch it would
    // still send its state query.
    if (request.func > Cubrix::LUT_FUNC_BOX)
        return QStringLiteral("a Cubrix has no %1 LUT").arg(QLatin1String(FuncNames[request.func]));
    const auto use = transfer || switching ? mncp_lut_use::Transfer : mncp_lut_use::Load;
    if (!mncp_lut_protocol(static_cast<mncp_lut_dimension>(request.type), request.func, use))
        return QStringLiteral("a Cubrix's 3D LUT functions are calibration and dit");

    const auto type = static_cast<Cubrix::LutType>(request.type);
    const auto func = static_cast<Cubrix::LutFunc>(request.func);
    const QUrl url = QUrl::fromLocalFile(request.file);
    int bitsize = 0;
    if (transfer && request.file.contains(QLatin1String(".cube"))) {
        bitsize = request.bitCode.value_or(cubrix->cubeBitDef());
        if (bitsize == 0)
            return QStringLiteral("the box asks for the precision of every .cube upload: give --bits 8, 10 or 12");
    }
    const int mode = cubrix->boxMode();
    switch (request.operation) {
    case LutRequest::Operation::Send:
        if (mode == 1)
            cubrix->sendLutFileUpsample(type, func, 0, url, bitsize);
        else if (mode == 2)
            cubrix->sendLutFileDownsample(type, func, 0, url, bitsize);
        else
            cubrix->sendLutFile(type, func, 0, url, bitsize);
        break;
    case LutRequest::Operation::Save:
        if (mode == 1)
            cubrix->saveLutFileUpsample(type, func, request.slot - 1, url, bitsize);
        else if (mode == 2)
            cubrix->saveLutFileDownsample(type, func, request.slot - 1, url, bitsize);
        else
            cubrix->saveLutFile(type, func, request.slot - 1, url, bitsize);
        break;
    case LutRequest::Operation::Load:
        cubrix->loadLut(type, func, request.slot - 1);
        break;
    case LutRequest::Operation::On:
    case LutRequest::Operation::Off:
        cubrix->setLut(type, func, 0, request.operation == LutRequest::Operation::On);
        break;
    }
    return QString();
}

DeviceActions::Steps DeviceActions::lut(const LutRequest &request)
{
    return {[request](DeviceSession &session) {
        Console::Capture capture;
        const QString refused = session.monitor() ? lutOnMonitor(session, request) : lutOnCubrix(session, request);
        if (!refused.isEmpty())
            return refused;
        return sentOrRefused(session, capture, QStringLiteral("the LUT command"));
    }};
}

DeviceActions::Steps DeviceActions::captureFrame(const QString &outputPath, bool afterLuts)
{
    struct State {
        QPointer<CaptureFrame> item;
        QString folder;    // where the item's quick save writes a raw frame: beside the output
        QString saveName;  // the quick save's name, ours alone
        bool placed = false;
        QString error;
    };
    const auto state = std::make_shared<State>();
    const bool raw = outputPath.endsWith(QLatin1String(".raw"), Qt::CaseInsensitive);

    // The raw frame the item saved, checked and renamed over the output as soon as it is
    // written: a kill in between leaves at most the one file, and the output is never removed
    // before its replacement is complete.
    const auto placeRawFrame = [state, outputPath] {
        if (state->placed || !state->error.isEmpty())
            return;
        const QDir folder(state->folder);
        const QStringList written = folder.entryList({QLatin1Char('*') + state->saveName + QStringLiteral(".raw"),
                                                      QLatin1Char('*') + state->saveName + QStringLiteral("_*.raw")},
                                                     QDir::Files | QDir::Hidden);
        if (written.isEmpty())
            return;
        const QString saved = folder.filePath(written.first());
        QFile file(saved);
        const qint64 size = file.size();
        const std::optional<FrameHeader> header =
            file.open(QIODevice::ReadOnly) ? FrameHeader::parse(file.read(FrameHeader::Size)) : std::nullopt;
        file.close();
        if (!header || !header->problemWith(size).isEmpty()) {
            QFile::remove(saved);
            state->error = QStringLiteral("the frame could not be saved whole to %1").arg(outputPath);
            return;
        }
        state->error = OutputFile(outputPath).commitFileAside(saved);
        state->placed = state->error.isEmpty();
    };

    return {
        [state, raw, afterLuts, outputPath, placeRawFrame](DeviceSession &session) {
            const OutputFile output(outputPath);
            const QString refused = output.refusal();
            if (!refused.isEmpty())
                return refused;
            Console::Capture capture;
            auto *item = new CaptureFrame();
            item->setParent(&session);
            state->item = item;
            if (Monitor *monitor = session.monitor())
                monitor->registerFeature(item, CaptureFeature);
            else
                session.cubrix()->registerFeature(item, CaptureFeature);
            if (raw) {
                // Raw frames are written by the item's own quick save, the only writer of the
                // bytes as they arrived, into the output's folder.
                static int saves = 0;
                state->folder = QFileInfo(output.finalPath()).absolutePath();
                state->saveName = QStringLiteral(".brevanto-cli-%1-%2").arg(QCoreApplication::applicationPid()).arg(++saves);
                item->setQuickSaveType(CaptureFrame::SaveRaw);
                item->setQuickSaveDir(QUrl::fromLocalFile(state->folder).toString());
                item->setQuickSaveName(state->saveName);
                item->setQuickSaveCount(1);
                QObject::connect(item, &CaptureFrame::quick_save_countChanged, &session, placeRawFrame);
            }
            item->captureFrame(afterLuts ? 1 : 0);
            return sentOrRefused(session, capture, QStringLiteral("the capture request"));
        },
        [state, raw, outputPath, placeRawFrame](DeviceSession &session) {
            CaptureFrame *item = state->item;
            if (!item)
                return QStringLiteral("the capture item is gone");
            const QString dropped = session.cubrix() && session.cubrix()->boxMode() == 3
                                        ? QStringLiteral(" (the box passes no frames in test pattern mode)")
                                        : QString();
            if (raw) {
                placeRawFrame();
                if (!state->error.isEmpty())
                    return state->error;
                if (!state->placed)
                    return QStringLiteral("no frame was saved%1").arg(dropped);
                session.notes() << QStringLiteral("raw frame saved to %1").arg(outputPath);
            } else {
                if (item->image().isNull())
                    return QStringLiteral("no frame picture arrived%1").arg(dropped);
                // What the item's saveImage writes, the format taken from the name, but
                // written beside the output and renamed over it when complete.
                OutputFile file(outputPath);
                QString error = file.open();
                if (error.isEmpty() && !item->image().save(&file.device(), QFileInfo(outputPath).suffix().toLower().toLatin1().constData()))
                    error = QStringLiteral("cannot write %1").arg(outputPath);
                if (error.isEmpty())
                    error = file.commit();
                if (!error.isEmpty())
                    return error;
                session.notes() << QStringLiteral("frame %1 x %2 saved to %3")
                                       .arg(item->image().width())
                                       .arg(item->image().height())
                                       .arg(outputPath);
            }
            session.details().insert(QStringLiteral("file"), outputPath);
            return QString();
        },
    };
}

DeviceActions::Steps DeviceActions::firmware(const QString &path)
{
    struct State {
        qint64 total = 0;
        qint64 written = 0;
        int lastTenth = -1;
        bool confirmed = false;
    };
    const auto state = std::make_shared<State>();
    return {
        [state, path](DeviceSession &session) {
            DeviceBase *device = session.device();
            SocketHandler *handler = device->socketHandler();
            state->total = MNCP_HEADER_SIZE + QFileInfo(path).size();
            QObject::connect(handler, &SocketHandler::updateFirmwareComplete, &session,
                             [state] { state->confirmed = true; });
            const QString host = session.host().displayName();
            QObject::connect(&handler->socket(), &QIODevice::bytesWritten, &session, [state, host](qint64 bytes) {
                state->written = qMin(state->total, state->written + bytes);
                const int percent = state->total > 0 ? int(state->written * 100 / state->total) : 100;
                if (percent / 10 == state->lastTenth)
                    return;
                state->lastTenth = percent / 10;
                Console::err(QStringLiteral("%1: firmware %2% (%3 of %4 bytes)%5")
                                 .arg(host)
                                 .arg(percent)
                                 .arg(state->written)
                                 .arg(state->total)
                                 .arg(percent == 100 ? QStringLiteral(", waiting for the device") : QString()));
            });
            Console::Capture capture;
            device->updateFirmware(QUrl::fromLocalFile(path));
            return sentOrRefused(session, capture, QStringLiteral("the firmware image"));
        },
        [state](DeviceSession &session) {
            if (!state->confirmed)
                return QStringLiteral("the device did not confirm the firmware image");
            session.notes() << QStringLiteral("firmware image of %1 bytes confirmed").arg(state->total - MNCP_HEADER_SIZE);
            return QString();
        },
    };
}

DeviceActions::Steps DeviceActions::analyzer(const QString &pngPath, const QString &pdfPath, bool last, bool printStyle)
{
    const auto received = std::make_shared<int>(0);
    return {
        [received, last, printStyle](DeviceSession &session) {
            Monitor *monitor = session.monitor();
            if (!monitor)
                return QStringLiteral("analyzer pictures are a monitor's; this is a Cubrix");
            QObject::connect(monitor, &Monitor::analyzerPngReceived, &session, [received] { ++*received; });
            Console::Capture capture;
            monitor->requestAnalyzerPng(last ? 1 : 0, printStyle);
            return sentOrRefused(session, capture, QStringLiteral("the analyzer request"));
        },
        [received, pngPath, pdfPath](DeviceSession &session) {
            Monitor *monitor = session.monitor();
            if (*received == 0)
                return QStringLiteral("the monitor sent no analyzer picture");
            const QImage picture(monitor->analyzerPngLocalPath());
            if (!pngPath.isEmpty()) {
                // The bytes the monitor's saveAnalyzerPng copies, written beside the output and
                // renamed over it when complete.
                MappedFile received;
                if (!received.open(monitor->analyzerPngLocalPath(), qint64(SocketHandler::MaxPayloadLength)))
                    return QStringLiteral("cannot write %1: %2").arg(pngPath, received.errorString());
                const QString error = OutputFile::write(pngPath, received.bytes());
                if (!error.isEmpty())
                    return error;
                session.notes() << QStringLiteral("analyzer picture saved to %1").arg(pngPath);
                session.details().insert(QStringLiteral("png"), pngPath);
            }
            if (!pdfPath.isEmpty()) {
                if (picture.isNull())
                    return QStringLiteral("the analyzer picture is not a readable PNG; no PDF written");
                // The monitor's own report writer fills the file beside the output, which is
                // then renamed over it.
                OutputFile file(pdfPath);
                QString error = file.open();
                if (error.isEmpty()) {
                    monitor->saveAnalyzerPdf(QUrl::fromLocalFile(file.pathAside()));
                    if (QFileInfo(file.pathAside()).size() == 0)
                        error = QStringLiteral("cannot write %1").arg(pdfPath);
                }
                if (error.isEmpty())
                    error = file.commit();
                if (!error.isEmpty())
                    return error;
                session.notes() << QStringLiteral("analyzer report saved to %1").arg(pdfPath);
                session.details().insert(QStringLiteral("pdf"), pdfPath);
            }
            return QString();
        },
    };
}
