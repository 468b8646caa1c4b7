// The offline commands: lut check, resample and binary, frame decode.

#include "tst_cli.h"

void TestCli::offline_data()
{
    columns();

    // What the check reads from a file and every line it passes over, in text or JSON.
    row("check, text", "lut check {dir}/curved17.cube", 0,
        {"out:size: 17 points\nentries: 4913 of 4913\ndecimals: 10\nvalue range: red 0 to 1, green 0.2 to 0.9, blue 0 to 1\n",
         "out:line 1: keyword line, not an entry: TITLE \"kept\"…line 2: keyword…line 3: blank line\nresult: OK"});
    row("check, JSON", "lut check --json {dir}/curved33.cube", 0,
        {"json:ok=true", "json:size=33", "json:entries=35937", "json:decimals=4", "json:range.red.0=0", "json:range.red.1=1",
         "json:range.green.0=0.2", "json:range.green.1=0.9", "json:skipped.1.line=2", "json:skipped.2.line="});
    row("check, JSON of a failure", "lut check {dir}/two.cube --json", 1,
        {"json:ok=false", "json:skipped.2.line=4", "json:skipped.2.reason=2 pieces, an entry has three", "err:4912 entries, a 17-point LUT has 4913"});
    const QList<std::tuple<const char *, int, QString>> checks{
        {"header.cube", 0, "out:line 1: keyword…line 2: comment…line 3: keyword…line 4: keyword…line 5: keyword…line 6: blank line"},
        {"word.cube", 1, "out:line 4: 'green' not a number…result: FAILED"}, {"word.cube", 1, "err:1 entry line(s) hold pieces that are not numbers"},
        {"comma.cube", 1, "out:line 3: '0,0', '0,0', '0,0' not a number"}, {"extra.cube", 1, "err:4914 entries, a 17-point LUT has 4913"},
        {"spaced.cube", 1, "err:line 1: the size line is not recognised"}, {"unsized.cube", 1, "err:no LUT_3D_SIZE line"},
        {"big.cube", 1, "err:17- and 33-point LUTs only"}, {"oned.cube", 1, "err:a 1D LUT"}, {"bright.cube", 0, "out:warning: 2 value(s) outside 0.0 to 1.0"},
        {"domain.cube", 0, "out:line 2: \"DOMAIN_MAX 1023 1023 1023\" is ignored"}, {"crlf.cube", 1, "out:line 4: 2 pieces"},
        {"identity17.txt", 0, "out:the name does not end in .cube"}, {"missing.cube", 1, "err:no such file"}, {"empty.cube", 1, "err:empty"},
        {"junk.cube", 1, "err:no LUT_3D_SIZE line"}, {"", 1, "err:cannot read"}, {"a.cube {dir}/b.cube", 2, "err:unexpected argument"},
        {"a.cube --fast", 2, "err:unknown option --fast"}};
    for (const auto &[name, exitCode, check] : checks)
        row(QStringLiteral("check %1, %2").arg(name, check), QStringLiteral("lut check {dir}/%1").arg(name), exitCode, {check});

    // Resampling and the binary image: what goes where, the differences printed, what is refused.
    row("resample up", "lut resample {dir}/identity17.cube {dir}/up.cube --size 33", 0,
        {"file:{dir}/up.cube=identity33.cube", "file:{dir}/up.cube=mode of new.ref", "out:shared lattice points: max difference 0, mean 0 (4913 points)",
         "out:against trilinear interpolation: max difference 0, mean 0 (35937 points)"});
    row("resample down", "lut resample --size=17 {dir}/identity33.cube {dir}/down.cube", 0,
        {"file:{dir}/down.cube=identity17.cube", "out:shared lattice points: max difference 0, mean 0 (4913 points)", "-out:trilinear"});
    row("resample to the same size", "lut resample {dir}/curved17.cube {dir}/same.cube --size 17", 0, {"file:{dir}/same.cube=curved17.cube", "out:unchanged"});
    for (const char *name : {"identity17.cube", "identity33.cube", "bom-title.cube", "bom33.cube"}) // downsampled; byte-order marks before a title, the size
        row(QStringLiteral("binary of %1").arg(name), QStringLiteral("lut binary {dir}/%1 {dir}/out.dat").arg(name), 0, {"file:{dir}/out.dat=binary17.dat", "out:19780 bytes"});
    const QList<std::tuple<const char *, int, const char *>> refused{
        {"resample {dir}/two.cube {dir}/refused.cube --size 33", 1, "4912 entries"}, {"resample {dir}/none.cube {dir}/refused.cube --size 33", 1, "no such file"},
        {"resample {dir}/identity17.cube {dir}/refused.cube", 2, "--size 17 or --size 33"},
        {"resample {dir}/identity17.cube {dir}/refused.cube --size 20", 2, "--size must be 17 or 33"},
        {"resample {dir}/identity17.cube {dir}/refused.cube --size", 2, "--size needs a value"}, {"resample {dir}/identity17.cube --size 33", 2, "needs IN and OUT"},
        {"resample {dir}/identity17.cube {dir}/none/x.cube --size 33", 1, "cannot write"}, {"binary {dir}/word.cube {dir}/refused.dat", 1, "not numbers"},
        {"binary {dir}/identity17.cube", 2, "needs IN.cube and OUT.dat"}, {"sort", 2, "unknown lut command 'sort'"},
        {"check", 2, "lut check needs a FILE"}};
    for (const auto &[arguments, exitCode, message] : refused)
        row(arguments, QStringLiteral("lut ") + arguments, exitCode, {QStringLiteral("err:") + message, "file:{dir}/refused.*=-"});
    // A result is written beside and renamed over the file: a file replaced keeps its permissions,
    // a failed conversion leaves it as it was, a link stays a link to the file replaced.
    row("resample over a file", "lut resample {dir}/identity17.cube {dir}/restricted.cube --size=33", 0,
        {"file:{dir}/restricted.cube=identity33.cube", "file:{dir}/restricted.cube=mode of restricted.ref", "file:{dir}/restricted.cube.*=-"});
    row("failed resample over a file", "lut resample {dir}/bad17.cube {dir}/restricted.cube --size=33", 1,
        {"err:1 entries, a 17-point LUT has 4913", "file:{dir}/restricted.cube=identity33.cube", "file:{dir}/restricted.cube.*=-"});
    row("binary through a link", "lut binary {dir}/identity17.cube {dir}/link.dat", 0, {"file:{dir}/target.dat=binary17.dat", "file:{dir}/link.dat=link"});
    // The tool alone runs the LUT commands and refuses the others with a reason.
    row("alone", "{dir}/alone/brevanto-cli lut binary {dir}/identity17.cube {dir}/alone.dat", 0, {"file:{dir}/alone.dat=binary17.dat"});
    for (const char *arguments : {"frame --help", "--verbose device --help"})
        row(QStringLiteral("alone, %1").arg(arguments), QStringLiteral("{dir}/alone/brevanto-cli ") + arguments, 1, {"err:the frame and device commands cannot be loaded"});
    // Only a regular file is replaced, directly or through a link; a FIFO is left alone.
    for (const char *arguments : {"resample {dir}/identity33.cube {dir}/special.png --size=17", "binary {dir}/identity17.cube {dir}/special.png",
                                  "binary {dir}/identity17.cube {dir}/special-link.dat"})
        row(arguments, QStringLiteral("lut ") + arguments, 1, {"err:cannot write " + QString(arguments).section(' ', 2, 2) + ": it is not a regular file",
                                                             "file:{dir}/special.png=fifo", "file:{dir}/special*.*.*=-"});

    // A source that cannot be mapped is read, but no further than any LUT file goes (256 MiB): one
    // with no end (a device would be one) is given up, its writer stopping a little beyond.
    row("a FIFO that ends", "lut check <<identity17.cube", 0, {"out:entries: 4913 of 4913"});
    row("a FIFO without end", "lut check <<endless", 1, {"err:cannot read {dir}/fifo-endless: more than 268435456 bytes is too large"});

    // Frames: the picture in each format the name asks for, and what is refused.
    row("decode video-range white and black", "frame decode {dir}/wb.raw {dir}/wb.png --range 1", 0,
        {"px:{dir}/wb.png=ffffff 000000", "out:2 x 1, format 2 (YCbCr 4:4:4), timecode bytes 12 05 09 17"});
    row("decode full range", "frame decode {dir}/wb.raw {dir}/wb3.png --range=3", 0, {"px:{dir}/wb3.png=eaeaea 101010~2"}); // 92 % and 6 % grey
    for (const char *name : {"png", "bmp", "jpg", "JPEG"})
        row(name, QStringLiteral("frame decode {dir}/red.raw {dir}/red.%1").arg(name), 0,
            {QStringLiteral("file:{dir}/red.%1=63x8").arg(name), QStringLiteral("px:{dir}/red.%1=ff0000 ff0000~%2").arg(name).arg(QString(name).startsWith('j', Qt::CaseInsensitive) ? 12 : 0)});
    const QList<std::tuple<const char *, int, const char *>> frames{
        {"none.raw {dir}/bad.png", 1, "cannot read"}, {"short-header.raw {dir}/bad.png", 1, "12-byte frame header"},
        {"lines-missing.raw {dir}/bad.png", 1, "not a whole frame"}, {"pitch-small.raw {dir}/bad.png", 1, "line pitch 16 is below"},
        {"no-pixels.raw {dir}/bad.png", 1, "the frame is empty"}, {"format7.raw {dir}/bad.png", 1, "pixel format 7"},
        {"huge.raw {dir}/bad.png", 1, "269484032 bytes is larger than any frame"}, {"whole.raw {dir}/bad.gif", 2, "must end in .png, .jpg or .bmp"},
        {"whole.raw {dir}/bad.png --range 9", 2, "--range must be 0 to 4"}, {"whole.raw {dir}/bad.png --range=video", 2, "--range must be 0 to 4"},
        {"whole.raw {dir}/none/bad.png", 1, "cannot write"}, {"whole.raw", 2, "needs IN.raw and OUT"},
        {"whole.raw {dir}/special.png", 1, "it is not a regular file"}};
    for (const auto &[arguments, exitCode, message] : frames)
        row(arguments, QStringLiteral("frame decode {dir}/") + arguments, exitCode, {QStringLiteral("err:") + message, "file:{dir}/bad.*=-"});

    // Help and the command words.
    const QList<std::tuple<const char *, int, const char *>> words{
        {"--help", 0, "out:Usage: brevanto-cli <command>"}, {"lut --help", 0, "out:Usage: brevanto-cli lut check|resample|binary"},
        {"lut check --help", 0, "out:Usage: brevanto-cli lut check FILE"}, {"lut resample -h", 0, "out:Usage: brevanto-cli lut resample IN OUT"},
        {"lut binary x --help", 0, "out:Usage: brevanto-cli lut binary IN.cube OUT.dat"}, {"--verbose frame --help", 0, "out:Usage: brevanto-cli frame decode"},
        {"frame decode --help", 0, "out:Usage: brevanto-cli frame decode IN.raw"}, {"", 2, "err:a command is needed"},
        {"sort", 2, "err:unknown command 'sort'"}, {"frame encode", 2, "err:unknown frame command 'encode'"}};
    for (const auto &[arguments, exitCode, check] : words)
        row(QStringLiteral("words: %1").arg(arguments), arguments, exitCode, {check});
}
