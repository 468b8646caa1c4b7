// The device commands against simulated devices: what each host is sent and reports, what
// reaches the devices and the files, and how misbehaving devices fail without holding the rest.

#include "tst_cli.h"

void TestCli::device_data()
{
    columns();

    // info: the identity and state of each device, JSON or text, in the order given.
    row("info as JSON", "device {rv} {cubrix} {kt} info --json", 0,
        {"json:0.host=127.0.0.1", "json:0.ok=true", "json:0.type=monitor", "json:0.model=RV-3100", "json:1.type=cubrix",
         "json:1.model=Cubrix", "json:1.box.box_mode=1", "json:1.box.cube_bit_def=3", "json:1.box.boxmode2_ch2_range=1",
         "json:2.model=KT-2400", "json:2.version=9.9.1", "json:2.serial=KT99X001", "json:2.ports=4", "json:2.channelCount=2",
         "json:2.channels.0.name=Cam A", "json:2.channels.1.mode=3840x2160p 25", "json:2.box="});
    row("info as text", "device {kt} {cubrix} info", 0,
        {"out:{kt}:\n  type: monitor\n  model: KT-2400\n  version: 9.9.1\n  serial: KT99X001\n  ports: 4\n  channels: 2\n"
         "    1: Cam A (1920x1080p 50)\n    2: Cam B (3840x2160p 25)\n…{cubrix}:…    box_mode: 1 (Single Channel)",
         "err="});
    // Detection reads a monitor's identity first, then connects again as a Cubrix.
    row("detected Cubrix", "device {cubrix} info --json", 0, {"sim:cubrix connections=2", "json:0.type=cubrix"});
    row("forced Cubrix", "device --cubrix {cubrix} info --json", 0, {"sim:cubrix connections=1", "json:0.type=cubrix"});
    row("Cubrix forced to be a monitor", "device {cubrix} --monitor info --json", 0, {"json:0.type=monitor", "json:0.box="});

    // key: one command to every host; a Cubrix mode key waits for the box's state queries.
    row("key on three hosts", "device {rv} {kt} {cubrix} key menu", 0,
        {"out:{rv}: monitor RV-3100: ok…{cubrix}: cubrix Cubrix: ok", "sim:rv 0001/0020=1", "sim:kt 0001/0020=1", "sim:cubrix 0001/0020=1"});
    // The sweep at connection asks once, the timer 500 ms after the key once more.
    row("mode key", "device {cubrix} key mode_2 --cubrix", 0, {"sim:cubrix 0001/0071=1", "sim:cubrix 0100/0005=2", "sim:cubrix 0100/0016=2"});
    row("send in dual channel mode, brought to 17 points", "device {cubrix} lut send {dir}/identity33.cube", 0, {"dump:cubrix 0x0311_0x0230_send=identity17.cube"});
    row("key by its full name", "device {cubrix} key MNCP_KEY_MODE_1", 0, {"sim:cubrix 0001/0070=1"});

    // lut: each operation on monitors and the Cubrix, and the files as the devices receive them.
    // A monitor previews the binary image of the table brought to 17 points, then switches it on;
    // the Cubrix in mode 1 takes 33 points with the 12-bit code of its setting.
    row("send", "device {rv} {cubrix} lut send {dir}/identity33.cube", 0,
        {"dump:rv monitor_lut_0x0311_0x0200_send=binary17.dat", "sim:rv 0311/0100=1", "dump:cubrix cubrix_lut_0x0311_0x0230_send=identity33.cube"});
    row("send upsampled, 10 bits", "device {cubrix} lut send {dir}/identity17.cube --bits 10", 0, {"dump:cubrix 0x0311_0x0220_send=identity33.cube"});
    // A KT monitor's "Id 3" is slot 2; the named calibration slots of an RV monitor are their
    // own number and take the 17-point table and then the 33-point one made from it.
    row("save", "device {kt} lut save {dir}/identity17.cube --slot 3", 0, {"dump:kt monitor_lut_0x0311_0x0302_store_slot2=identity17.cube"});
    row("save 1D into the box", "device {cubrix} lut save {dir}/ramp.lut --func box --slot=5", 0, {"dump:cubrix cubrix_lut_0x0302_0x0304_store_slot5=ramp.lut"});
    row("save calibration", "device {rv} {kt} lut save {dir}/identity17.cube --func calibration --slot 2", 0,
        {"dump:rv monitor_lut_0x0310_0x0302_store_slot2=identity17.cube", "dump:rv monitor_lut_0x0310_0x0302_store_slot2=identity33.cube",
         "dump:kt monitor_lut_0x0310_0x0301_store_slot1=identity17.cube"});
    row("load", "device {cubrix} {kt} lut load --slot 4", 0, {"sim:cubrix 0311/0403=1", "sim:kt 0311/0403=1"});
    row("off", "device {cubrix} lut off", 0, {"sim:cubrix 0311/0000=1"});
    row("on", "device {kt} lut on --type 1d --func post-dit --slot 2", 0, {"sim:kt 0302/0101=1"});
    // Files that would not go out whole are refused before any device is contacted.
    for (const auto &[name, message] : {std::pair{"two.cube", "4912 entries"}, {"damaged.dat", "data checksum"}, {"short.dat", "1000 bytes"},
                                        {"empty.lut", "is empty"}, {"none.cube", "no such file"}})
        row(name, QStringLiteral("device {rv} {cubrix} lut send {dir}/%1").arg(name), 1,
            {QStringLiteral("err:") + message, "sim:rv connections=0", "sim:cubrix connections=0"});
    // A host that cannot do what is asked fails on its own; the exit status tells.
    row("no post-calibration LUT on a Cubrix", "device {kt} {cubrix} lut load --func post-calibration --type 1d --slot 1", 1,
        {"out:{kt}: monitor KT-2400: ok", "err:{cubrix}: error: a Cubrix has no post-calibration LUT", "sim:kt 0303/0400=1"});
    row("no 3D box LUT", "device {cubrix} lut on --func box", 1, {"err:3D LUT functions are calibration and dit"});
    row("refused by the device class", "device {kt} lut off --func post-dit", 1, {"err:was not sent: Unknown lut func: 4"});
    row("named slots end at 6", "device {rv} lut load --func calibration --slot 7", 1, {"err:named slots 1 to 6"});

    // frame capture, firmware, analyzer: the files written beside and renamed, one per host.
    row("capture from two hosts", "device {rv} {cubrix} frame capture --out {dir}/shot.png --json", 0,
        {"json:0.file={dir}/shot_{rv_}.png", "json:1.file={dir}/shot_{cubrix_}.png", "file:{dir}/shot.png=-",
         "file:{dir}/shot_{rv_}.png=1920x1080", "file:{dir}/shot_{cubrix_}.png=1920x1080", "sim:rv 0400/0000=1", "sim:cubrix 0400/0000=1"});
    // A capture replaces the file there whole; one that fails leaves it as it was.
    row("capture after the LUTs, replacing a file", "device {kt} frame capture --after-luts --out {dir}/replaced.jpg", 0,
        {"sim:kt 0400/0001=1", "file:{dir}/replaced.jpg=1920x1080", "file:{dir}/replaced.jpg.*=-"});
    for (const char *name : {"keep.png", "keep.raw"})
        row(QStringLiteral("failed capture, %1").arg(name), QStringLiteral("device {errors} frame capture --out {dir}/%1").arg(name), 1,
            {QStringLiteral("file:{dir}/%1=old.txt").arg(name), QStringLiteral("file:{dir}/%1.*=-").arg(name), "file:{dir}/.brevanto-cli-*=-"});
    // A raw frame replaces the file there, whole as the device sent it, nothing left beside it.
    // Decoded band by band into a BMP, it is the file Qt's writer makes of the capture item's
    // picture (the bars do not move). The placeholder puts the host where the name says.
    for (const auto &[sim, format, range] : {std::tuple{"rv", "259", "0"}, {"cubrix", "1", "1"}, {"kt", "258", "0"}}) {
        const QString raw = QStringLiteral("{dir}/cap-{%1_}.raw").arg(sim), host = QStringLiteral("{%1} ").arg(sim);
        row(raw, "device " + host + "frame capture --out {dir}/cap-{host}.raw", 0, {"file:" + raw + ".*=-", "file:{dir}/.brevanto-cli-*=-"});
        row(raw + " as a picture", "device " + host + "frame capture --out {dir}/cap.bmp", 0);
        row(raw + " decoded", "frame decode " + raw + " {dir}/decoded.bmp --range " + range, 0,
            {QStringLiteral("out:1920 x 1080, format %1").arg(format), "file:{dir}/decoded.bmp=cap.bmp"});
    }
    row("capture into no folder", "device {rv} frame capture --out {dir}/none/shot.png", 1, {"err:no folder", "sim:rv connections=0"});
    row("capture in test pattern mode", "device {cubrix} key mode_3", 0);
    row("capture refused", "device {cubrix} frame capture --out {dir}/tpg.png", 1, {"err:Frame Capture Protocol Error", "file:{dir}/tpg.png=-"});
    row("capture after test patterns", "device {cubrix} key mode_1", 0);
    row("firmware to two hosts", "device {rv} {cubrix} firmware {dir}/update.img", 0,
        {"err:{rv}: firmware 100% (300012 of 300012 bytes)", "err:{cubrix}: firmware 100% (300012 of 300012 bytes)",
         "out:firmware image of 300000 bytes confirmed", "sim:rv 0005/0001=1", "dump:rv firmware_image=update.img", "dump:cubrix firmware_image=update.img"});
    row("firmware as BREC", "device {kt} firmware {dir}/update.BREC", 0, {"sim:kt 0005/0002=1", "dump:kt firmware_brec=update.BREC"});
    row("empty firmware", "device {rv} firmware {dir}/empty.img", 1, {"err:is empty", "sim:rv connections=0"});
    row("analyzer picture and report", "device {rv} {kt} analyzer --png {dir}/analyzer-{host}.png --pdf {dir}/analyzer-{host}.pdf", 0,
        {"sim:rv 0405/0010=1", "sim:kt 0405/0010=1", "file:{dir}/analyzer-{kt_}.png=%PNG", "file:{dir}/analyzer-{rv_}.pdf=%PDF"});
    row("last analyzer picture, print style", "device {rv} analyzer --last --print --pdf {dir}/last.pdf", 0,
        {"sim:rv 0405/0001=1", "file:{dir}/last.pdf=%PDF", "file:{dir}/last.png=-"});
    row("analyzer on a Cubrix", "device {cubrix} {rv} analyzer --png {dir}/mixed.png", 1,
        {"err:{cubrix}: error: analyzer pictures are a monitor's", "err:1 of 2 hosts failed", "file:{dir}/mixed_{cubrix_}.png=-"});
    // A FIFO (or any other special file) is never replaced, nor anything left beside it.
    for (const char *output : {"frame capture --out {dir}/special.png", "frame capture --out {dir}/special.raw",
                               "analyzer --png {dir}/special.png", "analyzer --pdf {dir}/special.pdf"}) {
        const QString fifo = QString(output).section(' ', -1);
        row(output, QStringLiteral("device {kt} ") + output, 1,
            {"err:cannot write " + fifo + ": it is not a regular file", "file:" + fifo + "=fifo", "file:{dir}/special.*.*=-", "file:{dir}/.brevanto-cli-*=-"});
    }

    // Devices that misbehave: each host fails with its reason, the others go on, and every wait
    // is bounded by --timeout.
    row("error reply", "device {kt} {errors} lut send {dir}/identity17.cube", 1,
        {"out:{kt}: monitor KT-2400: ok", "dump:kt monitor_lut_0x0311_0x0200_send=binary17.dat",
         "err:{errors}: error: error reply to protocol 0x0311 request 0x0200 (status 5): Protocol DIT 3DLUT Error", "err:1 of 2 hosts failed"});
    row("error reply to a key", "device {errors} key menu --json", 1, {"err:(status 1): Protocol Key Error", "json:0.ok=false", "out:Protocol Key Error"});
    row("silent device", "device {silent} {kt} key menu --timeout 1", 1,
        {"err:{silent}: error: no reply within 1 s (protocol 0x0001 request 0x0020 unanswered)", "out:{kt}: monitor KT-2400: ok",
         "ms>999", "ms<8000", "sim:silent 0001/0020=1"});
    row("silent during identity", "device {mute} info --timeout 0.5", 1,
        {"err:no reply within 0.5 s (protocol 0x0100 request 0x0002 unanswered)", "ms<6000"});
    row("silent during firmware", "device {silent} firmware {dir}/update.img --firmware-timeout 0.8", 1,
        {"err:firmware 100%", "err:no reply within 0.8 s (protocol 0x0005 request 0x0001 unanswered)"});
    row("closed connection", "device {closing} key menu --timeout 5", 1, {"err:error: the device closed the connection", "ms<4000"});
    row("broken reply header", "device {badcrc} key menu", 1, {"err:broken reply header (CRC error) for protocol 0x0001 request 0x0020"});
    row("nobody listening", "device {nobody} info", 1, {"err:{nobody}: error: cannot connect: Connection refused", "ms<5000"});
    row("identity refused", "device {refusing} info", 1,
        {"err:error reply to protocol 0x0100 request 0x0000 (status 1): Protocol Basic info Error"});
    row("every host failing", "device {errors} {badcrc} {nobody} key menu --timeout 2", 1,
        {"err:{errors}: error:…{badcrc}: error:…3 of 3 hosts failed", "out="});
    row("quiet", "device {kt} key menu", 0, {"-err:appendCmd"});
    row("verbose", "--verbose device {kt} key menu", 0, {"err:[debug] appendCmd: add cmd: 0x0001 - 0x0020"});

    // The command line: wrong ones are refused before any device is contacted, with status 2.
    const QList<std::pair<const char *, const char *>> usage{
        {"info", "at least one HOST"}, {"127.0.0.1", "needs an action"}, {"monitor-7 info", "not a device address"},
        {"300.1.1.1 info", "not a device address"}, {"127.0.0.1:70000 info", "1 to 65535"}, {"0.0.0.0 info", "cannot be a device"},
        {"127.0.0.1:5000 127.0.0.1:5000 info", "listed twice"}, {"127.0.0.1 --monitor --cubrix info", "exclude each other"},
        {"127.0.0.1 info --timeout 0", "--timeout must be"}, {"127.0.0.1 key launch", "unknown key 'launch'"},
        {"127.0.0.1 lut save x.cube", "needs --slot N"}, {"127.0.0.1 lut load --slot 17", "--slot must be 1 to 16"},
        {"127.0.0.1 lut send x.cube --slot 2", "active LUT"}, {"127.0.0.1 lut send x.cube --bits 9", "--bits must be 8, 10 or 12"},
        {"127.0.0.1 lut on --func look", "--func must be"}, {"127.0.0.1 lut on --type 2d", "--type must be 1d or 3d"},
        {"127.0.0.1 lut erase", "unknown lut operation 'erase'"}, {"127.0.0.1 --slot 2 lut load", "options of lut go after it"},
        {"127.0.0.1 frame capture", "needs --out FILE"}, {"127.0.0.1 frame capture --out a.gif", "must end in .raw, .png, .jpg or .bmp"},
        {"127.0.0.1 frame grab", "unknown frame operation 'grab'"}, {"127.0.0.1 analyzer --last", "--png FILE and/or --pdf FILE"},
        {"127.0.0.1 firmware", "needs a FILE"}, {"127.0.0.1 info now", "unexpected argument 'now'"}, {"127.0.0.1 key", "key needs a NAME"}};
    for (const auto &[arguments, message] : usage)
        row(arguments, QStringLiteral("device ") + arguments, 2, {QStringLiteral("err:") + message});
    const QList<std::pair<const char *, const char *>> help{
        {"--help", "device HOST..."}, {"127.0.0.1 info --help", "device HOST... info"}, {"key -h", "device HOST... key NAME"},
        {"lut --help", "device HOST... lut send"}, {"frame capture --help", "device HOST... frame capture"},
        {"firmware --help", "device HOST... firmware FILE"}, {"analyzer --help", "device HOST... analyzer"}};
    for (const auto &[arguments, usage] : help)
        row(arguments, QStringLiteral("device ") + arguments, 0, {QStringLiteral("out:Usage: brevanto-cli ") + usage});
}

void TestCli::killedCaptureLeavesTheOutput()
{
    // Killed while it waits for the frame, the tool leaves the old file whole and nothing beside.
    QTemporaryDir folder;
    const QString out = folder.filePath("shot.raw");
    QVERIFY(writeFile(out, "old contents"));
    SimProcess &silent = *m_sims.at("silent");
    const int asked = countInLog(silent.log(), "0400/0000");
    QProcess tool;
    tool.start(QStringLiteral(BREVANTO_CLI_PATH), {"device", m_names.value("{silent}"), "frame", "capture", "--out", out});
    QVERIFY(waitUntil([&] { return countInLog(silent.log(), "0400/0000") > asked; }, 10000));
    tool.kill();
    QVERIFY(tool.waitForFinished(10000) && readFile(out) == "old contents");
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot), QStringList{"shot.raw"});
}
