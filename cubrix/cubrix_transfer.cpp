// LUT and frame uploads of the Cubrix: each is one command carrying the whole table
// or image as its payload.

#include "cubrix.h"

#include "device/wholefile.h"
#include "lut/cubrixutils.h"

#include <QFileInfo>
#include <QtDebug>

void Cubrix::queueLutTransfer(LutType type, LutFunc func, quint16 operation, int id, int bitsize,
                              const QByteArray &data, const char *unknownTypeText)
{
    if (type != LUT_TYPE_1D && type != LUT_TYPE_3D) {
        qDebug() << unknownTypeText << int(type);
        return;
    }
    const auto protocol = lutProtocol(type, func, mncp_lut_use::Transfer);
    if (!protocol) {
        qDebug() << "Unknown lut func: " << int(func);
        return;
    }
    // The bit-size code tells the box how to quantise the uploaded cube.
    const int bits = type == LUT_TYPE_3D ? bitsize << MNCP_CUBRIX_BITSIZE_SHIFT : 0;
    appendCmd(*protocol, static_cast<quint16>(operation | bits | id), data);
}

void Cubrix::sendLutArray(LutType type, LutFunc func, int id, QString array, int bitsize)
{
    const QString lut = lutName(type, func);
    Operation operation(this, tr("Sending %1").arg(lut), tr("%1 in use").arg(lut));
    queueLutTransfer(type, func, MNCP_SLOT_SEND, id, bitsize, array.toUtf8(), "Unknown lut type: ");
}

// The pages clear a slot by storing the identity table in it.
void Cubrix::saveLutArray(LutType type, LutFunc func, int id, QString array, int bitsize)
{
    const QString lut = lutName(type, func);
    Operation operation(this, tr("Clearing %1 slot %2").arg(lut).arg(id + 1), tr("%1 slot %2 cleared").arg(lut).arg(id + 1));
    queueLutTransfer(type, func, MNCP_SLOT_STORE, id, bitsize, array.toUtf8(), "Unknown type: ");
}

void Cubrix::sendLutFile(LutType type, LutFunc func, int id, QUrl url, int bitsize)
{
    transferLutFile("sendLutFile", MNCP_SLOT_SEND, Resample::None, type, func, id, url, bitsize);
}

void Cubrix::sendLutFileDownsample(LutType type, LutFunc func, int id, QUrl url, int bitsize)
{
    transferLutFile("sendLutFileDownsample", MNCP_SLOT_SEND, Resample::Down, type, func, id, url, bitsize);
}

void Cubrix::sendLutFileUpsample(LutType type, LutFunc func, int id, QUrl url, int bitsize)
{
    transferLutFile("sendLutFileUpsample", MNCP_SLOT_SEND, Resample::Up, type, func, id, url, bitsize);
}

void Cubrix::saveLutFile(LutType type, LutFunc func, int id, QUrl url, int bitsize)
{
    transferLutFile("saveLutFile", MNCP_SLOT_STORE, Resample::None, type, func, id, url, bitsize);
}

void Cubrix::saveLutFileDownsample(LutType type, LutFunc func, int id, QUrl url, int bitsize)
{
    transferLutFile("saveLutFileDownsample", MNCP_SLOT_STORE, Resample::Down, type, func, id, url, bitsize);
}

void Cubrix::saveLutFileUpsample(LutType type, LutFunc func, int id, QUrl url, int bitsize)
{
    transferLutFile("saveLutFileUpsample", MNCP_SLOT_STORE, Resample::Up, type, func, id, url, bitsize);
}

void Cubrix::transferLutFile(const char *operationName, quint16 operation, Resample resample, LutType type,
                             LutFunc func, int id, const QUrl &url, int bitsize)
{
    const bool save = operation == MNCP_SLOT_STORE;
    if (!save)
        qDebug() << operationName << url << "type: " << int(type) << " func: " << int(func) << "bitsize: " << bitsize;
    else if (!url.isEmpty())
        qDebug() << operationName << url << "type: " << int(type) << " ID: " << id;

    const QString lut = lutName(type, func);
    // An empty URL still uploads, with an empty payload, as the user interface expects.
    QByteArray data;
    if (!url.isEmpty()) {
        const QString path = url.toLocalFile();
        const QString problem = path.isEmpty() ? tr("%1 is not a local file").arg(url.toString())
                                               : uploadProblem(path, type == LUT_TYPE_3D);
        if (!problem.isEmpty()) {
            refuse(tr("%1 not sent: %2").arg(lut, problem));
            return;
        }
        // The size probes read the file: one that cannot be read is never resampled, and is
        // refused by the read below.
        const bool cube3d = type == LUT_TYPE_3D && !path.isEmpty();
        const bool downsample = resample == Resample::Down && cube3d && CubrixUtils::isCubeSize33(path);
        const bool upsample = resample == Resample::Up && cube3d && CubrixUtils::isCubeSize17(path);
        if (downsample) {
            qDebug() << "Downsampling 33x33x33 LUT to 17x17x17...";
            data = CubrixUtils::downsampleCube33to17(path);
        } else if (upsample) {
            qDebug() << (save ? "Upwnsampling 17x17x17 LUT to 33x33x33..." : "Upsampling 17x17x17 LUT to 33x33x33...");
            data = CubrixUtils::upsampleCube17to33(path);
        } else {
            const WholeFile file = readWholeFile(path);
            if (!file.ok()) {
                // An empty payload would make the box store or apply an empty table.
                qWarning() << operationName
                           << (file.status == WholeFile::NotOpened ? "cannot open LUT file" : "cannot read LUT file")
                           << path << "- nothing sent";
                return;
            }
            data = file.data;
        }
        if ((downsample || upsample) && data.isEmpty()) {
            // The resampler has said why; a partial grid is never sent.
            qWarning() << operationName << "no resampled LUT from" << path << "- nothing sent";
            return;
        }
    }

    const int slot = id + 1;
    const QString file = QFileInfo(url.toLocalFile()).fileName();
    Operation transfer(this,
                       !save ? tr("Sending %1 %2").arg(lut, file)
                       : url.isEmpty() ? tr("Clearing %1 slot %2").arg(lut).arg(slot)
                                       : tr("Saving %1 to slot %2").arg(lut).arg(slot),
                       !save ? tr("%1 in use").arg(lut)
                       : url.isEmpty() ? tr("%1 slot %2 cleared").arg(lut).arg(slot)
                                       : tr("%1 saved to slot %2").arg(lut).arg(slot));
    queueLutTransfer(type, func, operation, id, bitsize, data, save ? "Unknown type: " : "Unknown lut type: ");
}

QString Cubrix::lutName(LutType type, LutFunc func)
{
    static const char *const functions[] = {"calibration", "front", "back"};
    const QString function = func >= LUT_FUNC_CALIBRATION && func <= LUT_FUNC_BOX ? QLatin1String(functions[func]) : QString();
    return tr("%1 %2 LUT").arg(type == LUT_TYPE_3D ? QStringLiteral("3D") : QStringLiteral("1D"), function);
}

void Cubrix::sendFrame(int id, QUrl url)
{
    transferFrame(MNCP_SLOT_SEND, id, url);
}

void Cubrix::saveFrame(int id, QUrl url)
{
    transferFrame(MNCP_SLOT_STORE, id, url);
}

void Cubrix::transferFrame(quint16 operation, int id, const QUrl &url)
{
    const bool store = operation == MNCP_SLOT_STORE;
    const QString file = QFileInfo(url.toLocalFile()).fileName();
    Operation transfer(this,
                       !store ? tr("Sending frame %1").arg(file)
                       : url.isEmpty() ? tr("Clearing frame slot %1").arg(id + 1)
                                       : tr("Saving frame %1 to slot %2").arg(file).arg(id + 1),
                       !store ? tr("Frame %1 shown").arg(file)
                       : url.isEmpty() ? tr("Frame slot %1 cleared").arg(id + 1)
                                       : tr("Frame saved to slot %1").arg(id + 1));
    const quint16 request = static_cast<quint16>(operation | id);
    if (url.isEmpty()) {
        appendCmd(MNCP_PROTOCOL_FRAME_LOAD, request, QByteArray());
        return;
    }
    // An empty payload would make the box show or store an empty frame: refused instead.
    appendFileCmd(MNCP_PROTOCOL_FRAME_LOAD, request, url.toLocalFile(), tr("Frame"));
}

void Cubrix::sendFrameFile(QUrl url)
{
    if (url.isEmpty()) {
        qDebug() << "sendFrameFile" << url << "invalid file";
        return;
    }
    const QString path = url.toLocalFile();
    qDebug() << "file size = " << QFileInfo(path).size();
    Operation operation(this, tr("Sending the generator frame %1").arg(QFileInfo(path).fileName()),
                        tr("Generator shows frame %1").arg(QFileInfo(path).fileName()));
    if (!appendFileCmd(MNCP_PROTOCOL_GENERATOR, MNCP_GENERATOR_FRAME_FILE, path, tr("Generator frame"))) {
        qDebug() << "sendFrameFile" << "failed to open file " << url.toString();
        return;
    }
    queueGeneratorQuery();
}
