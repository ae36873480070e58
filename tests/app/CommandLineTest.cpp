// The command line's options: each accepted combination and what it sets, and each refusal
// with the words that say why.
#include <gtest/gtest.h>

#include <QDir>
#include <sstream>

#include "app/CommandLine.h"
#include "product/Product.h"

namespace {

using Action = CommandLine::Action;

struct Accepted {
    const char* name;
    QStringList args;
    bool (*holds)(const CommandLineOptions& o);
};

const Accepted kAccepted[] = {
    {"FocusAlone",
     {"--focus", "5"},
     [](const CommandLineOptions& o) {
         return o.focus_ms == 5000 && o.csvPath.isEmpty() && o.snapshotPath.isEmpty();
     }},
    {"FocusFraction",
     {"--focus=0.25"},
     [](const CommandLineOptions& o) { return o.focus_ms == 250; }},
    {"FocusToCsv",
     {"--focus", "2", "--csv", "f.csv"},
     [](const CommandLineOptions& o) { return o.csvPath == "f.csv"; }},
    {"SnapshotAlone",
     {"--snapshot", "s.png"},
     [](const CommandLineOptions& o) {
         return o.focus_ms == 0 && o.snapshotPath == "s.png" &&
                o.snapshotFormat == StillFormat::Png && o.pStillKind == &JpegStill();
     }},
    {"RawWithStream",
     {"--snapshot", "s.bmp", "--raw", "--save-stream", "s.pgm"},
     [](const CommandLineOptions& o) {
         return o.pStillKind == &RawStill() && o.streamPath == "s.pgm" &&
                o.snapshotFormat == StillFormat::Bmp;
     }},
    {"LimitsWithJson",
     {"--focus", "2", "--json", "--min-figure", "15000", "--min-mtf50", "0.3", "--max-tilt", "5"},
     [](const CommandLineOptions& o) {
         return o.bJson && o.minFigure == 15000 && o.minMtf50 == 0.3 && o.maxTilt_percent == 5 &&
                o.bRegions;  // the region limits ask for the regions
     }},
    {"FigureLimitAlone",
     {"--focus", "1", "--min-figure=-5"},
     [](const CommandLineOptions& o) {
         return o.minFigure == -5 && !o.minMtf50 && !o.maxTilt_percent && !o.bRegions && !o.bJson;
     }},
    {"CameraByName",
     {"--camera", "USB Camera #2", "--focus", "1"},
     [](const CommandLineOptions& o) { return o.cameraName == "USB Camera #2"; }},
    {"EverythingInAnyOrder",
     {"--save-stream", "c.jpg", "--snapshot", "s.jpeg", "--csv", "f.csv", "--focus", "1"},
     [](const CommandLineOptions& o) {
         return o.focus_ms == 1000 && o.snapshotFormat == StillFormat::Jpeg &&
                o.streamPath == "c.jpg";
     }},
};

TEST(CommandLineTest, EachAcceptedLineRunsWithItsOptionsSet) {
    for (const Accepted& c : kAccepted) {
        const CommandLine line = ParseCommandLine(QStringList{"nitidor"} + c.args);
        ASSERT_EQ(line.action, Action::Run) << c.name << ": " << line.text;
        EXPECT_TRUE(c.holds(line.options)) << c.name;
    }
}

struct Refused {
    const char* name;
    QStringList args;
    const char* says;
};

const Refused kRefused[] = {
    {"NothingToDo", {"--"}, "nothing to do: give --focus, --snapshot or both"},
    {"RawAlone", {"--raw"}, "--raw goes with --snapshot"},
    {"CsvAlone", {"--csv", "f.csv"}, "--csv goes with --focus"},
    {"CsvWithoutFocus", {"--snapshot", "s.png", "--csv", "f.csv"}, "--csv goes with --focus"},
    {"StreamWithoutSnapshot",
     {"--focus", "1", "--save-stream", "c.jpg"},
     "--save-stream goes with --snapshot"},
    {"LimitWithoutFocus",
     {"--snapshot", "s.png", "--min-figure", "3"},
     "--min-figure goes with --focus"},
    {"Mtf50AboveOne",
     {"--focus", "1", "--min-mtf50", "1.5"},
     "--min-mtf50 takes a number from 0 to 1, not '1.5'"},
    {"TiltNegative", {"--focus", "1", "--max-tilt=-1"}, "--max-tilt takes a number of 0 or more"},
    {"FigureLimitNotANumber",
     {"--focus", "1", "--min-figure", "nan"},
     "--min-figure takes a number, not 'nan'"},
    {"JpegStreamNamedPgm",
     {"--snapshot", "s.png", "--save-stream", "c.PGM"},
     "writes the camera's JPEG stream (--raw writes a PGM): name it .jpg, not 'c.PGM'"},
    {"FocusNotANumber", {"--focus", "soon"}, "not 'soon'"},
    // Control characters echoed as escapes: the message stays one line.
    {"LineBreakInAValue", {"--focus", "1\n2\x1b"}, "not '1\\n2\\x1b'"},
    {"LineBreakInAnOption", {"--fo\rcus", "3"}, "Unknown option 'fo\\rcus'"},
    {"FocusZero", {"--focus", "0"}, "above 0"},
    {"FocusNegative", {"--focus=-3"}, "above 0"},
    {"FocusTooLong", {"--focus", "86401"}, "up to 86400"},
    {"FocusInfinite", {"--focus", "inf"}, "not 'inf'"},
    {"FocusWithoutValue", {"--focus"}, "Missing value after '--focus'"},
    {"FocusTwice", {"--focus", "1", "--focus", "2"}, "--focus is given more than once"},
    {"UnknownSuffix", {"--snapshot", "s.gif"}, "cannot tell the format of 's.gif'"},
    {"NoSuffix", {"--snapshot", "still"}, "cannot tell the format of 'still'"},
    {"EmptyName", {"--snapshot", ""}, "--snapshot needs a file name"},
    {"SameFileTwice",
     {"--snapshot", "s.png", "--save-stream", "./s.png"},
     "'s.png' is named for two outputs"},
    {"UnknownOption", {"--fokus", "3"}, "Unknown option 'fokus'"},
    {"CameraAlone", {"--camera", "Cam"}, "nothing to do"},
    {"CameraEmpty", {"--camera", "", "--focus", "1"}, "--camera needs a camera's name"},
    {"CameraTwice",
     {"--camera", "A", "--camera", "B", "--focus", "1"},
     "--camera is given more than once"},
    {"ListWithARun", {"--list-cameras", "--focus", "1"}, "--list-cameras goes alone"},
    {"StrayArgument", {"--focus", "3", "extra"}, "unexpected argument 'extra'"},
};

TEST(CommandLineTest, EachRefusedLineSaysWhyInOneLine) {
    for (const Refused& c : kRefused) {
        SCOPED_TRACE(c.name);
        const CommandLine line = ParseCommandLine(QStringList{"nitidor"} + c.args);
        ASSERT_EQ(line.action, Action::BadUsage);
        EXPECT_NE(line.text.find(c.says), std::string::npos) << line.text;
        std::ostringstream out, err;
        EXPECT_EQ(AnswerCommandLine(line, out, err), kExitUsage);
        EXPECT_TRUE(out.str().empty());
        // One line: control characters came out as escapes.
        const std::string said = err.str();
        EXPECT_TRUE(said.ends_with(": " + line.text + "\n")) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    }
}

TEST(CommandLineTest, NoArgumentsIsTheDialogAndHelpAndVersionAnswerAtOnce) {
    EXPECT_EQ(ParseCommandLine({"nitidor"}).action, Action::Dialog);
    EXPECT_EQ(ParseCommandLine({}).action, Action::Dialog);

    for (const char* option : {"--help", "-h"}) {
        // Help wins over whatever else is given, even what would be refused.
        const CommandLine help = ParseCommandLine({"/usr/bin/nitidor", option, "--raw"});
        ASSERT_EQ(help.action, Action::Help) << option;
        std::ostringstream out, err;
        EXPECT_EQ(AnswerCommandLine(help, out, err), kExitDone);
        EXPECT_EQ(out.str().rfind("Usage: nitidor [options]", 0), 0u) << out.str();
        for (const char* text :
             {"--focus <seconds>", "--csv <file>", "--snapshot <file>", "--raw",
              "--save-stream <file>", "elapsed_ms,figure", "  7  another copy", "--json",
              "--min-figure <figure>", "--min-mtf50 <mtf50>", "--max-tilt <percent>",
              "  8  the run measured fine", "143  terminated", "--list-cameras", "--camera <name>"})
            EXPECT_NE(out.str().find(text), std::string::npos) << text;
        EXPECT_TRUE(err.str().empty());
    }
    EXPECT_EQ(ParseCommandLine({"nitidor", "--list-cameras"}).action, Action::ListCameras);
    const CommandLine version = ParseCommandLine({"nitidor", "--version"});
    ASSERT_EQ(version.action, Action::Version);
    std::ostringstream out, err;
    EXPECT_EQ(AnswerCommandLine(version, out, err), kExitDone);
    EXPECT_EQ(out.str(), std::string("Nitidor ") + kProductVersion + "\n");
}

}  // namespace
