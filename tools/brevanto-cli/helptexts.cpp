#include "helptexts.h"

#include <QHash>

namespace {

const char *const General = R"(Usage: brevanto-cli <command> ... [--help]

Scripted control of Brevanto monitors and Cubrix LUT boxes, and offline LUT and frame tools,
built on the same device, LUT and frame code as the Brevanto window.

Commands:
  lut check FILE                       check a .cube file as the devices would read it
  lut resample IN OUT --size 17|33     convert a .cube file between 17 and 33 points
  lut binary IN.cube OUT.dat           write the binary 3D LUT image of a .cube file
  frame decode IN.raw OUT.png|jpg|bmp  decode a raw frame file into a picture
  device HOST... ACTION ...            run one action on one or more devices at once:
                                       info, key, lut, frame capture, firmware, analyzer

Every command and subcommand takes --help. --verbose shows the log lines of the shared code.
Exit status: 0 on success, 1 when the work failed (a file, a check or any device),
2 when the command line is wrong.)";

const char *const Lut = R"(Usage: brevanto-cli lut check|resample|binary ... [--help]

  lut check FILE [--json]
  lut resample IN OUT --size 17|33
  lut binary IN.cube OUT.dat

Run "brevanto-cli lut <command> --help" for details.)";

const char *const LutCheck = R"(Usage: brevanto-cli lut check FILE [--json]

Reads a 3D LUT (.cube) file with the program's own reader and size tests and reports its
grid size, entry count, decimals (as the resamplers would write them), value range, and every
line the reader passes over, with its line number and why (blank, comment, keyword, not three
pieces, or a piece that is not a number).

The exit status is 1 when the devices' LUT operations would refuse the file or send it
incomplete: no recognised "LUT_3D_SIZE 17" or "LUT_3D_SIZE 33" line, an entry count that is
not 17^3 or 33^3, or entry lines with pieces that are not numbers. Values outside 0 to 1, an
unusual DOMAIN_ line or a lack of decimals are warnings only.

  --json    print the report as one JSON object)";

const char *const LutResample = R"(Usage: brevanto-cli lut resample IN OUT --size 17|33

Converts a .cube file to the other grid size and writes the text exactly as the devices would
receive it: 33 to 17 points by taking every other lattice point, 17 to 33 points by
tetrahedral interpolation, with the source's decimals. A file that already has the size is
written unchanged, as the devices would send it. The file is checked first (see "lut check");
a file that fails the check is not converted.

Prints the maximum and mean difference between source and result at the lattice points both
grids share and, for upsampling, against trilinear interpolation of the source.

  --size 17|33    the grid size to write)";

const char *const LutBinary = R"(Usage: brevanto-cli lut binary IN.cube OUT.dat

Writes the binary 3D LUT image (128-byte header and 4,913 packed 10-bit RGB words, 19,780
bytes) that a monitor receives for the .cube file; a 33-point file is downsampled to 17 points
first, as the monitors' preview does. The file is checked first (see "lut check").)";

const char *const Frame = R"(Usage: brevanto-cli frame decode IN.raw OUT.png|jpg|bmp [--range N]

Run "brevanto-cli frame decode --help" for details.)";

const char *const FrameDecode = R"(Usage: brevanto-cli frame decode IN.raw OUT.png|jpg|bmp [--range N]

Decodes a raw frame file, as the capture window saves it (12-byte header, then the pixel
lines; the outer 10-bit fields of formats 258 and 259 exchanged), into a picture. The
picture's format follows the output name's suffix.

  --range N    input range of the YCbCr conversion: 1 video [64,940], 2 extended [64,1019],
               3 SMPTE full [4,1019], 0 or 4 the monitors' default (default 0))";

const char *const Device = R"(Usage: brevanto-cli device HOST... [options] ACTION ...

Connects to every HOST at once (an IPv4 address, or address:port for a device that does not
listen on port 18181), reads its identity, runs the action on all of them in parallel and
waits for each device's replies. One line per host tells success or the error; the exit
status is 1 if any host failed.

Actions:
  info                          model, version, serial, channels (and a Cubrix's box state)
  key NAME                      press a front-panel key
  lut send|save|load|on|off     send, store, recall or switch a LUT
  frame capture --out FILE      capture a frame and save it as a picture or raw frame
  firmware FILE                 send a firmware image
  analyzer --png FILE --pdf FILE  fetch a monitor's analyzer picture as PNG and/or PDF

Options:
  --monitor, --cubrix   treat every host as this kind; without them the kind is
                        detected from the model name the device reports
  --timeout SECONDS     longest wait for a connection, or for a reply after a
                        command's last byte went out (default 10)
  --firmware-timeout SECONDS
                        longest wait for a device to answer a firmware image,
                        which it does once it has flashed it (default 300)
  --json                print the results as JSON
  --verbose             show the log lines of the shared code

Output files given to several hosts get the host added to their name (shot.png becomes
shot_127.0.0.2.png); write {host} in the name to place it yourself.

Run "brevanto-cli device ACTION --help" for each action.)";

const char *const DeviceInfo = R"(Usage: brevanto-cli device HOST... info [--json]

Connects, reads the identity the window shows (model, firmware version, serial number, ports,
channels with their names and modes) and, for a Cubrix, the whole box state (box mode,
channel, LUT formats, LUT and frame slots, ranges, input signal, test pattern generator).)";

const char *const DeviceKey = R"(Usage: brevanto-cli device HOST... key NAME

Presses a front-panel key, as the window's buttons do. NAME is a key code name, with or
without its MNCP_KEY_ prefix, in any letter case:
  POWER_OFF POWER_ON INPUT0..INPUT7 MENU MENU_UP MENU_DOWN MENU_LEFT MENU_RIGHT MENU_ENTER
  F0..F7 ROTARY_PB0..7 ROTARY_CW0..7 ROTARY_CCW0..7 MODE_1 MODE_2 MODE_3 CH_1 CH_2
  LUT_INTERPOLATION_1 LUT_INTERPOLATION_2
On a Cubrix the mode and interpolation keys are followed by the box's state queries, which are
waited for as well.)";

const char *const DeviceLut = R"(Usage: brevanto-cli device HOST... lut send FILE [options]
       brevanto-cli device HOST... lut save FILE --slot N [options]
       brevanto-cli device HOST... lut load --slot N [options]
       brevanto-cli device HOST... lut on|off [--slot N] [options]

Runs the window's LUT controls. The file is checked before any device is contacted: a .cube
file must pass "lut check", a .dat file must be a sound binary 3D LUT image, any other file
must be readable and not empty.

  send   monitor: the preview (sendLutFileDownscale, a .cube becomes a binary image);
         Cubrix: the "Preview..." upload, 17->33 points in box mode 1, 33->17 in mode 2
  save   stores into a slot: monitor "Save..." (RV monitors store both grid sizes into the
         named calibration slots); Cubrix "Save LUT..." with the same resampling as send
  load   recalls a slot
  on|off switches the LUT

Options:
  --type 1d|3d     LUT type (default: 1d for .lut files, else 3d)
  --func NAME      calibration, dit, box, post-calibration or post-dit (default dit);
                   on a Cubrix the front 1D LUT is dit, the back 1D LUT box
  --slot N         slot number as the window shows it: 1 to 16 ("Id:"), or 1 to 6 for the
                   named calibration slots of RV and RVQ monitors (calibration and
                   post-calibration functions)
  --bits 8|10|12   Cubrix processing precision of a .cube file (default: the box's setting;
                   required when the box is set to "Ask on LUT Upload"))";

const char *const DeviceFrame = R"(Usage: brevanto-cli device HOST... frame capture --out FILE [--after-luts]

Captures one frame through the capture item, as the window's "Capture Image" button does, and
saves it: FILE ending in .raw is written as the capture item writes raw frames, any other
suffix (.png, .jpg, .bmp) as a picture.

  --out FILE       where to save (per host, see "device --help")
  --after-luts     capture after the LUTs instead of before them)";

const char *const DeviceFirmware = R"(Usage: brevanto-cli device HOST... firmware FILE

Sends a firmware image whole (a name ending in .brec selects the .brec request), prints a
progress line per host on standard error and waits for each device to confirm.
This cannot be undone on the device.)";

const char *const DeviceAnalyzer = R"(Usage: brevanto-cli device HOST... analyzer [--png FILE] [--pdf FILE] [--last] [--print]

Asks each monitor for its analyzer picture and saves it as a PNG copy and/or a one-page PDF,
as the window's "Analyzer Capture" buttons do. At least one of --png and --pdf is needed.

  --last     the last analyzer picture instead of the current one
  --print    the white print style instead of the black screen style)";

} // namespace

QString HelpTexts::text(const QString &topic)
{
    static const QHash<QString, const char *> texts{
        {QString(), General},
        {QStringLiteral("lut"), Lut},
        {QStringLiteral("lut check"), LutCheck},
        {QStringLiteral("lut resample"), LutResample},
        {QStringLiteral("lut binary"), LutBinary},
        {QStringLiteral("frame"), Frame},
        {QStringLiteral("frame decode"), FrameDecode},
        {QStringLiteral("device"), Device},
        {QStringLiteral("device info"), DeviceInfo},
        {QStringLiteral("device key"), DeviceKey},
        {QStringLiteral("device lut"), DeviceLut},
        {QStringLiteral("device frame"), DeviceFrame},
        {QStringLiteral("device firmware"), DeviceFirmware},
        {QStringLiteral("device analyzer"), DeviceAnalyzer},
    };
    return QString::fromUtf8(texts.value(topic, General));
}
