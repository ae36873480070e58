#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <cmath>
#include <ostream>

#include "platform/win/ModuleName.h"
#include "product/Product.h"

namespace {

const char kDescription[] =
    "Focuses the lens of a USB camera module. Without options it opens its main window.\n"
    "With them it runs one session on the camera for a test station and shows no window:\n"
    "it connects, starts the preview, prints the focus figures, takes a still and stops.";

const char kExitCodes[] =
    "\nFocus figures are printed one a line, as elapsed_ms,figure: milliseconds since the\n"
    "preview was started, then the figure as the main window shows it (\"Overflow\" when the\n"
    "camera's measure ran out of range). With --regions five columns follow,\n"
    "mtf50_c,mtf50_tl,mtf50_tr,mtf50_bl,mtf50_br: the sharpness (MTF50, cycles per pixel)\n"
    "measured from the picture in its centre and corners, empty where a region shows no\n"
    "usable edge; a still then adds one line \"still,,\" followed by its five values.\n"
    "\nExit codes:\n"
    "  0  done\n"
    "  2  the command line cannot be understood\n"
    "  3  no camera named \"Standard_Camera\" was found\n"
    "  4  no firmware runs in the camera, or it never became ready\n"
    "  5  the camera stopped answering, or a wait on it ran out\n"
    "  6  the still could not be taken, or a file could not be written\n"
    "  7  another copy of the program is running\n"
    "130  interrupted\n";

struct Options {
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Shows this help.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Shows the version.")};
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
    QCommandLineOption raw{QStringLiteral("raw"),
                           QStringLiteral("Takes the still as raw Bayer data, developed here.")};
    QCommandLineOption saveStream{QStringLiteral("save-stream"),
                                  QStringLiteral("Also writes what the camera sent for the still: "
                                                 "its JPEG stream, or with --raw its samples as a "
                                                 "PGM."),
                                  QStringLiteral("file")};
    QCommandLineOption regions{QStringLiteral("regions"),
                               QStringLiteral("Also measures the sharpness of the picture's "
                                              "centre and four corners (asks the camera for 10 "
                                              "frames a second).")};
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

bool SameFile(const QString& a, const QString& b) {
    return !a.isEmpty() && !b.isEmpty() &&
           QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

// Everything given together must make one sensible run.
bool Check(const QCommandLineParser& parser, const Options& o, CommandLineOptions& options,
           QString& error) {
    QString focus;
    if (!SingleValue(parser, o.focus, focus, error) ||
        !SingleValue(parser, o.csv, options.csvPath, error) ||
        !SingleValue(parser, o.snapshot, options.snapshotPath, error) ||
        !SingleValue(parser, o.saveStream, options.streamPath, error)) {
        return false;
    }
    options.bRaw = parser.isSet(o.raw);
    options.bRegions = parser.isSet(o.regions);
    const bool bFocus = parser.isSet(o.focus);
    const bool bSnapshot = parser.isSet(o.snapshot);
    if (bFocus && !ReadSeconds(focus, options.focus_ms, error))
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
    if (parser.isSet(o.csv) && !bFocus) {
        error = QStringLiteral("--csv goes with --focus");
        return false;
    }
    if ((options.bRaw || parser.isSet(o.saveStream)) && !bSnapshot) {
        error = QStringLiteral("%1 goes with --snapshot")
                    .arg(QLatin1String(options.bRaw ? "--raw" : "--save-stream"));
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
            static const char kHex[] = "0123456789abcdef";
            line += "\\x";
            line += kHex[byte >> 4];
            line += kHex[byte & 0xF];
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
    parser.addOptions(
        {o.help, o.version, o.focus, o.csv, o.snapshot, o.raw, o.saveStream, o.regions});
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
        case CommandLine::Action::Run:
            break;
    }
    return kExitUsage;
}
