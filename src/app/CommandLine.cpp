#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <cmath>
#include <limits>
#include <ostream>
#include <utility>
#include <vector>

#include "platform/com/Hex.h"
#include "platform/win/ModuleName.h"
#include "product/Product.h"

namespace {

const char kDescription[] =
    "Focuses the lens of a USB camera module. Without options it opens its main window.\n"
    "With them it runs one session on the camera for a test station and shows no window:\n"
    "it connects, starts the preview, prints the focus figures, takes a still and stops.";

const char kExitCodes[] =
    "\nFocus figures are printed one a line under the header elapsed_ms,figure: milliseconds\n"
    "since the preview was started, then the figure as the main window shows it (\"Overflow\"\n"
    "when the camera's measure ran out of range). With --regions five columns follow,\n"
    "mtf50_c,mtf50_tl,mtf50_tr,mtf50_bl,mtf50_br: the sharpness (MTF50, cycles per pixel)\n"
    "measured from the picture in its centre and corners, empty where a region shows no\n"
    "usable edge; a still then adds one line \"still,,\" followed by its five values.\n"
    "A focus run ends with one line on standard error: the figures' count, minimum, median,\n"
    "maximum and when it was reached, and the overflows.\n"
    "\nThe limits judge the last second of the focus run, by medians that leave overflows and\n"
    "regions without an edge out: a region with no edge in that second misses --min-mtf50,\n"
    "and one of the corners without an edge misses --max-tilt. Tilt x is the left corners'\n"
    "MTF50 less the right ones' and y the top's less the bottom's, in per cent of their mean.\n"
    "\nWith --json each figure is one JSON object on standard output,\n"
    "{\"type\":\"figure\",\"elapsed_ms\":..,\"figure\":..,\"overflow\":..,\"mtf50\":{..}},\n"
    "and the last line is the summary, "
    "{\"type\":\"summary\",\"exit_code\":..,\"verdict\":..,...}.\n"
    "\nExit codes:\n"
    "  0  done, and every limit met\n"
    "  1  the program could not start, or the main window has no display\n"
    "  2  the command line cannot be understood\n"
    "  3  no camera of that name (\"Standard_Camera\" unless --camera names one) was found\n"
    "  4  no firmware runs in the camera, or it never became ready\n"
    "  5  the camera stopped answering, or a wait on it ran out\n"
    "  6  the still could not be taken, or a file could not be written\n"
    "  7  another copy of the program is running\n"
    "  8  the run measured fine but missed a limit\n"
    "130  interrupted (SIGINT, Ctrl+C)\n"
    "143  terminated (SIGTERM)\n";

// The option of each kind of still that has one (the default has none), with its kind.
std::vector<std::pair<const CStillKind*, QCommandLineOption>> KindOptions() {
    std::vector<std::pair<const CStillKind*, QCommandLineOption>> options;
    for (const CStillKind* kind : StillKinds()) {
        if (kind->Info().option)
            options.emplace_back(kind, QCommandLineOption(QLatin1String(kind->Info().option),
                                                          QLatin1String(kind->Info().optionHelp)));
    }
    return options;
}

// "Also writes what the camera sent for the still: its JPEG stream, or with --raw ...".
QString SaveStreamHelp() {
    QStringList sources;
    for (const CStillKind* kind : StillKinds()) {
        const StillKindInfo& info = kind->Info();
        sources << (info.option ? QStringLiteral("with --%1 ").arg(QLatin1String(info.option))
                                : QString()) +
                       QLatin1String(info.sourceWords);
    }
    return QStringLiteral("Also writes what the camera sent for the still: ") +
           sources.join(QStringLiteral(", or ")) + '.';
}

QStringList SourceSuffixes(const CStillKind& kind) {
    return QString::fromLatin1(kind.Info().sourceSuffixes).split(' ', Qt::SkipEmptyParts);
}

struct Options {
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Shows this help.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Shows the version.")};
    QCommandLineOption listCameras{QStringLiteral("list-cameras"),
                                   QStringLiteral("Lists the cameras, one name a line, and "
                                                  "ends.")};
    QCommandLineOption camera{QStringLiteral("camera"),
                              QStringLiteral("Runs on the camera of this name instead of "
                                             "\"Standard_Camera\" (see --list-cameras)."),
                              QStringLiteral("name")};
    QCommandLineOption focus{QStringLiteral("focus"),
                             QStringLiteral("Prints the focus figures the camera reports for "
                                            "this many seconds."),
                             QStringLiteral("seconds")};
    QCommandLineOption csv{QStringLiteral("csv"),
                           QStringLiteral("Writes the focus figures to this file instead of "
                                          "standard output."),
                           QStringLiteral("file")};
    QCommandLineOption snapshot{QStringLiteral("snapshot"),
                                QStringLiteral("Takes one still (after --focus) and writes it "
                                               "in the format its suffix names: .png, .jpg, "
                                               ".tif or .bmp."),
                                QStringLiteral("file")};
    // One option for each kind of still but the default, in the table's order.
    std::vector<std::pair<const CStillKind*, QCommandLineOption>> kinds = KindOptions();
    QCommandLineOption saveStream{QStringLiteral("save-stream"), SaveStreamHelp(),
                                  QStringLiteral("file")};
    QCommandLineOption regions{QStringLiteral("regions"),
                               QStringLiteral("Also measures the sharpness of the picture's "
                                              "centre and four corners (asks the camera for 10 "
                                              "frames a second).")};
    QCommandLineOption json{QStringLiteral("json"),
                            QStringLiteral("Prints JSON objects on standard output instead of "
                                           "CSV lines: one a figure, then a summary.")};
    QCommandLineOption minFigure{QStringLiteral("min-figure"),
                                 QStringLiteral("Fails the run (exit code 8) unless the median "
                                                "figure of the focus run's last second is at "
                                                "least this."),
                                 QStringLiteral("figure")};
    QCommandLineOption minMtf50{QStringLiteral("min-mtf50"),
                                QStringLiteral("Fails the run (8) unless every region's median "
                                               "MTF50 of the last second is at least this "
                                               "(cycles per pixel, up to 1); implies --regions."),
                                QStringLiteral("mtf50")};
    QCommandLineOption maxTilt{QStringLiteral("max-tilt"),
                               QStringLiteral("Fails the run (8) unless the tilt the corners "
                                              "show in the last second stays within this many "
                                              "per cent either way; implies --regions."),
                               QStringLiteral("percent")};
};

CommandLine BadUsage(const QString& text) {
    CommandLine commandLine;
    commandLine.action = CommandLine::Action::BadUsage;
    commandLine.text = OneLine(text.toStdString()) + " (see --help)";
    return commandLine;
}

QString ProgramName(const QStringList& arguments) {
    const QString name = arguments.isEmpty() ? QString() : QFileInfo(arguments[0]).fileName();
    return name.isEmpty() ? QStringLiteral("nitidor") : name;
}

// The one value of an option given at most once; false when it was given twice.
bool SingleValue(const QCommandLineParser& parser, const QCommandLineOption& option, QString& value,
                 QString& error) {
    const QStringList values = parser.values(option);
    if (values.size() > 1) {
        error = QStringLiteral("--%1 is given more than once").arg(option.names().constLast());
        return false;
    }
    value = values.value(0);
    return true;
}

bool ReadSeconds(const QString& text, int64_t& ms, QString& error) {
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds <= 0 || seconds > kMaxFocusSeconds ||
        std::llround(seconds * 1000) < 1) {
        error = QStringLiteral("--focus takes a number of seconds above 0 and up to %1, not '%2'")
                    .arg(kMaxFocusSeconds)
                    .arg(text);
        return false;
    }
    ms = std::llround(seconds * 1000);
    return true;
}

// A limit's number: finite and within [min, max].
bool ReadLimit(const QCommandLineOption& option, const QString& text, double min, double max,
               const char* range, std::optional<double>& limit, QString& error) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < min || value > max) {
        error = QStringLiteral("--%1 takes %2, not '%3'")
                    .arg(option.names().constLast(), QLatin1String(range), text);
        return false;
    }
    limit = value;
    return true;
}

bool ReadLimits(const QCommandLineParser& parser, const Options& o, CommandLineOptions& options,
                QString& error) {
    constexpr double kHuge = std::numeric_limits<double>::max();
    struct Limit {
        const QCommandLineOption& option;
        double min, max;
        const char* range;
        std::optional<double>& limit;
    };
    for (const Limit& l :
         {Limit{o.minFigure, -kHuge, kHuge, "a number", options.minFigure},
          Limit{o.minMtf50, 0, 1, "a number from 0 to 1", options.minMtf50},
          Limit{o.maxTilt, 0, kHuge, "a number of 0 or more", options.maxTilt_percent}}) {
        QString text;
        if (!SingleValue(parser, l.option, text, error))
            return false;
        if (parser.isSet(l.option) &&
            !ReadLimit(l.option, text, l.min, l.max, l.range, l.limit, error))
            return false;
        if (parser.isSet(l.option) && !parser.isSet(o.focus)) {
            error = QStringLiteral("--%1 goes with --focus").arg(l.option.names().constLast());
            return false;
        }
    }
    // The region limits are judged on the regions' measurement, so they ask for it.
    if (options.minMtf50 || options.maxTilt_percent)
        options.bRegions = true;
    return true;
}

// What the camera sends for a still is written as its kind has it (a JPEG stream, samples as
// a PGM): a name whose suffix says another kind's would mislead whatever opens it.
bool CheckStreamSuffix(const CommandLineOptions& options, QString& error) {
    if (options.streamPath.isEmpty())
        return true;
    const QString suffix = QFileInfo(options.streamPath).suffix().toLower();
    const CStillKind& kind = *options.pStillKind;
    const QStringList own = SourceSuffixes(kind);
    if (own.contains(suffix))
        return true;
    for (const CStillKind* other : StillKinds()) {
        if (other != &kind && SourceSuffixes(*other).contains(suffix)) {
            error = QStringLiteral("%1: name it .%2, not '%3'")
                        .arg(QLatin1String(kind.Info().sourceMisnamed), own.value(0),
                             options.streamPath);
            return false;
        }
    }
    return true;
}

bool SameFile(const QString& a, const QString& b) {
    return !a.isEmpty() && !b.isEmpty() &&
           QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

// Everything given together must make one sensible run.
bool Check(const QCommandLineParser& parser, const Options& o, CommandLineOptions& options,
           QString& error) {
    QString focus;
    if (!SingleValue(parser, o.camera, options.cameraName, error) ||
        !SingleValue(parser, o.focus, focus, error) ||
        !SingleValue(parser, o.csv, options.csvPath, error) ||
        !SingleValue(parser, o.snapshot, options.snapshotPath, error) ||
        !SingleValue(parser, o.saveStream, options.streamPath, error)) {
        return false;
    }
    const QCommandLineOption* kindOption = nullptr;
    for (const auto& [kind, option] : o.kinds) {
        if (!parser.isSet(option))
            continue;
        if (kindOption) {
            error = QStringLiteral("--%1 and --%2 ask for different stills")
                        .arg(kindOption->names().constLast(), option.names().constLast());
            return false;
        }
        kindOption = &option;
        options.pStillKind = kind;
    }
    options.bRegions = parser.isSet(o.regions);
    options.bJson = parser.isSet(o.json);
    const bool bFocus = parser.isSet(o.focus);
    const bool bSnapshot = parser.isSet(o.snapshot);
    if (bFocus && !ReadSeconds(focus, options.focus_ms, error))
        return false;
    if (!ReadLimits(parser, o, options, error))
        return false;
    struct Need {
        bool given;
        const QString& path;
        const char* name;
    };
    for (const Need& need :
         {Need{parser.isSet(o.csv), options.csvPath, "--csv"},
          Need{bSnapshot, options.snapshotPath, "--snapshot"},
          Need{parser.isSet(o.saveStream), options.streamPath, "--save-stream"}}) {
        if (need.given && need.path.isEmpty()) {
            error = QStringLiteral("%1 needs a file name").arg(QLatin1String(need.name));
            return false;
        }
    }
    if (parser.isSet(o.camera) && options.cameraName.isEmpty()) {
        error = QStringLiteral("--camera needs a camera's name");
        return false;
    }
    if (parser.isSet(o.csv) && !bFocus) {
        error = QStringLiteral("--csv goes with --focus");
        return false;
    }
    if ((kindOption || parser.isSet(o.saveStream)) && !bSnapshot) {
        error = QStringLiteral("--%1 goes with --snapshot")
                    .arg((kindOption ? *kindOption : o.saveStream).names().constLast());
        return false;
    }
    if (!bFocus && !bSnapshot) {
        error = QStringLiteral("nothing to do: give --focus, --snapshot or both");
        return false;
    }
    if (bSnapshot) {
        const std::optional<StillFormat> format = StillFormatFromPath(options.snapshotPath);
        if (!format) {
            error = QStringLiteral(
                        "cannot tell the format of '%1': name it .png, .jpg, .tif or "
                        ".bmp")
                        .arg(options.snapshotPath);
            return false;
        }
        options.snapshotFormat = *format;
    }
    if (!CheckStreamSuffix(options, error))
        return false;
    const QString* paths[] = {&options.csvPath, &options.snapshotPath, &options.streamPath};
    for (size_t i = 0; i < std::size(paths); ++i) {
        for (size_t j = i + 1; j < std::size(paths); ++j) {
            if (SameFile(*paths[i], *paths[j])) {
                error = QStringLiteral("'%1' is named for two outputs").arg(*paths[i]);
                return false;
            }
        }
    }
    return true;
}

}  // namespace

std::string OneLine(const std::string& text) {
    std::string line;
    line.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            line += c;
        } else if (c == '\n') {
            line += "\\n";
        } else if (c == '\r') {
            line += "\\r";
        } else if (c == '\t') {
            line += "\\t";
        } else {
            line += "\\x";
            line += kHexDigits[byte >> 4];
            line += kHexDigits[byte & 0xF];
        }
    }
    return line;
}

QStringList CommandLineArguments(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

CommandLine ParseCommandLine(const QStringList& arguments) {
    CommandLine commandLine;
    if (arguments.size() <= 1)
        return commandLine;  // the main dialog

    const Options o;
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    parser.addOptions({o.help, o.version, o.listCameras, o.camera, o.focus, o.csv, o.snapshot});
    for (const auto& kind : o.kinds)
        parser.addOption(kind.second);
    parser.addOptions({o.saveStream, o.regions, o.json, o.minFigure, o.minMtf50, o.maxTilt});
    if (!parser.parse(arguments))
        return BadUsage(parser.errorText());
    if (parser.isSet(o.help)) {
        // Qt's first line names whatever it finds; ours names the program as it was called.
        QString help = parser.helpText();
        help.remove(0, help.indexOf('\n') + 1);
        commandLine.action = CommandLine::Action::Help;
        commandLine.text = "Usage: " + ProgramName(arguments).toStdString() + " [options]\n" +
                           help.toStdString() + kExitCodes;
        return commandLine;
    }
    if (parser.isSet(o.version)) {
        commandLine.action = CommandLine::Action::Version;
        commandLine.text = std::string("Nitidor ") + kProductVersion + "\n";
        return commandLine;
    }
    if (!parser.positionalArguments().isEmpty())
        return BadUsage(QStringLiteral("unexpected argument '%1'")
                            .arg(parser.positionalArguments().constFirst()));
    if (parser.isSet(o.listCameras)) {
        if (parser.optionNames().size() > 1)
            return BadUsage(QStringLiteral("--list-cameras goes alone"));
        commandLine.action = CommandLine::Action::ListCameras;
        return commandLine;
    }
    QString error;
    if (!Check(parser, o, commandLine.options, error))
        return BadUsage(error);
    commandLine.action = CommandLine::Action::Run;
    return commandLine;
}

int AnswerCommandLine(const CommandLine& commandLine, std::ostream& out, std::ostream& err) {
    switch (commandLine.action) {
        case CommandLine::Action::Help:
        case CommandLine::Action::Version:
            out << commandLine.text << std::flush;
            return out ? kExitDone : kExitFailed;
        case CommandLine::Action::BadUsage:
            err << GetModuleBaseName() << ": " << commandLine.text << std::endl;
            return kExitUsage;
        case CommandLine::Action::Dialog:
        case CommandLine::Action::ListCameras:
        case CommandLine::Action::Run:
            break;
    }
    return kExitUsage;
}
