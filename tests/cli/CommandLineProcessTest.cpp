// The program started as a test station starts it, on NITIDOR_SIM's simulated camera: each
// ending seen from outside, by its exit code, its output and the files left behind.
#include <signal.h>
#include <sys/resource.h>

#include <gtest/gtest.h>

#include <tuple>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "platform/win/NamedMutex.h"

namespace {

constexpr int kRunLimit_ms = 60'000;

class CommandLineProcessTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        QDir(m_dir.path()).mkdir("run");
        QFile::setPermissions(Path("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QDir(m_dir.path()).mkdir("work");
    }
    QString Path(const QString& name) const { return m_dir.filePath(name); }
    QString Work(const QString& name) const { return m_dir.filePath("work/" + name); }

    // Starts the program (or a shell around it) with `args` and, when given, NITIDOR_SIM;
    // nothing else of the environment that could reach a display or another copy's lock.
    // `fileSize_bytes` limits every file the program writes, with SIGXFSZ as a shell leaves it.
    void Start(const QStringList& args, const QString& sim = {},
               const QString& program = NITIDOR_PROGRAM, rlim_t fileSize_bytes = RLIM_INFINITY) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "NITIDOR_SIM"})
            env.remove(name);
        if (!m_display.isEmpty())
            env.insert("DISPLAY", m_display);
        env.insert("XDG_RUNTIME_DIR", Path("run"));
        env.insert("NITIDOR_REGISTRY_FILE", Path("registry.reg"));
        if (!sim.isEmpty())
            env.insert("NITIDOR_SIM", sim);
        m_process.setProcessEnvironment(env);
        m_process.setWorkingDirectory(Path("work"));
        m_process.setChildProcessModifier([fileSize_bytes] {
            rlimit limit{};
            getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = fileSize_bytes;
            setrlimit(RLIMIT_FSIZE, &limit);
            signal(SIGXFSZ, SIG_DFL);
        });
        m_process.start(program, args);
        ASSERT_TRUE(m_process.waitForStarted());
    }
    int Finish() {
        if (!m_process.waitForFinished(kRunLimit_ms)) {
            m_process.kill();
            m_process.waitForFinished();
            ADD_FAILURE() << "the program still ran after " << kRunLimit_ms << " ms";
        }
        m_out += m_process.readAllStandardOutput();
        m_err += m_process.readAllStandardError();
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }
    int Run(const QStringList& args, const QString& sim = {},
            rlim_t fileSize_bytes = RLIM_INFINITY) {
        Start(args, sim, NITIDOR_PROGRAM, fileSize_bytes);
        return Finish();
    }
    // Standard error is one line that names what failed.
    void ExpectOneLine(const char* says) const {
        const QString text = QString::fromLocal8Bit(m_err);
        EXPECT_TRUE(text.startsWith("nitidor: ")) << text.toStdString();
        EXPECT_TRUE(text.contains(QLatin1String(says))) << text.toStdString();
        EXPECT_EQ(text.count('\n'), 1) << text.toStdString();
    }
    QStringList Figures() const {
        return QString::fromLatin1(m_out).split('\n', Qt::SkipEmptyParts);
    }
    QStringList WorkFiles() const { return QDir(Path("work")).entryList(QDir::Files); }
    // A file written before the run, which a run that fails to write must leave as it was.
    static void WriteEarlier(const QString& path) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(kEarlier);
    }
    static QByteArray Contents(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void Clear() { m_out.clear(), m_err.clear(); }

    static constexpr char kEarlier[] = "the earlier file\n";

    QTemporaryDir m_dir;
    QString m_display;  // DISPLAY for the program; unset when empty
    QProcess m_process;
    QByteArray m_out, m_err;
};

TEST_F(CommandLineProcessTest, FiguresWithTheRegionsThenAJpegStillWithTheCamerasStream) {
    // A runtime folder others may read draws a remark from Qt's start-up; it is not printed.
    QFile::setPermissions(Path("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                           QFile::ReadOther | QFile::ExeOther);
    ASSERT_EQ(
        Run({"--focus", "1", "--snapshot", "still.png", "--save-stream", "camera.jpg", "--regions"},
            "lens=600"),
        0)
        << m_err.toStdString();
    // The focus run's summary (its words are CommandLineVerdictTest's) is the one line on
    // standard error.
    EXPECT_TRUE(m_err.startsWith("nitidor: focus: ") && m_err.count('\n') == 1)
        << m_err.toStdString();
    QStringList lines = Figures();
    ASSERT_GE(lines.size(), 3);  // the header, a figure at least, the still
    EXPECT_EQ(lines.takeFirst(), "elapsed_ms,figure,mtf50_c,mtf50_tl,mtf50_tr,mtf50_bl,mtf50_br");
    const QRegularExpression figure("^\\d+,\\d+(,(0\\.\\d{4})?){5}$");
    for (qsizetype i = 0; i + 1 < lines.size(); ++i)
        EXPECT_TRUE(figure.match(lines[i]).hasMatch()) << lines[i].toStdString();
    EXPECT_TRUE(QRegularExpression("^still,(,0\\.\\d{4}){5}$").match(lines.last()).hasMatch())
        << lines.last().toStdString();
    EXPECT_EQ(QImage(Work("still.png")).size(), QSize(2592, 1944));
    QFile camera(Work("camera.jpg"));
    ASSERT_TRUE(camera.open(QIODevice::ReadOnly));
    EXPECT_EQ(camera.read(2), QByteArray("\xFF\xD8"));
    EXPECT_EQ(QImage(Work("camera.jpg")).size(), QSize(2592, 1944));
    EXPECT_EQ(WorkFiles(), (QStringList{"camera.jpg", "still.png"}));  // no Temp.jpg left
}

TEST_F(CommandLineProcessTest, ARawStillWithItsSamplesAndTheFiguresInACsv) {
    EXPECT_EQ(
        Run({"--snapshot", "still.tif", "--raw", "--save-stream", "samples.pgm"}, "raw-phase=3"), 0)
        << m_err.toStdString();
    EXPECT_TRUE(m_out.isEmpty() && m_err.isEmpty());
    EXPECT_EQ(QImage(Work("still.tif")).size(), QSize(2592, 1944));
    QFile samples(Work("samples.pgm"));
    ASSERT_TRUE(samples.open(QIODevice::ReadOnly));
    const QByteArray header("P5\n# Bayer phase 3: BGGR\n2592 1944\n255\n");
    EXPECT_EQ(samples.read(header.size()), header);
    EXPECT_EQ(samples.size(), header.size() + 2592 * 1944);

    // A loaded machine may see few of the camera's ten figures a second: one is enough here.
    EXPECT_EQ(Run({"--focus", "1", "--csv", "figures.csv"}), 0) << m_err.toStdString();
    EXPECT_TRUE(m_out.isEmpty());
    QFile csv(Work("figures.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QRegularExpression("^elapsed_ms,figure\\n(\\d+,(-?\\d+|Overflow)\\n)+$")
                    .match(QString::fromLatin1(csv.readAll()))
                    .hasMatch());
}

// Its words, and the version's, are CommandLineTest's: here it answers with no display.
TEST_F(CommandLineProcessTest, HelpNeedsNothing) {
    EXPECT_EQ(Run({"--help"}), 0);
    EXPECT_TRUE(m_out.startsWith("Usage: nitidor [options]\n")) << m_out.toStdString();
    EXPECT_TRUE(m_err.isEmpty());
}

// Each ending's code and one line; no still and no partial file.
TEST_F(CommandLineProcessTest, EachEndingHasItsCodeAndOneLine) {
    struct Ending {
        int code;
        const char* sim;
        QStringList args;
        const char* says;
        const char* display = "";  // DISPLAY, unset when empty
    };
    const Ending endings[] = {
        {2, "unplugged", {"--focus", "1"}, "NITIDOR_SIM: 'unplugged'"},
        {3, "absent", {"--focus", "1"}, "no camera named \"Standard_Camera\""},
        {4, "no-firmware", {"--focus", "1"}, "no firmware runs"},
        // Nothing came through the mailbox for the profile at connect: the camera is gone.
        {5,
         "silent-mailbox",
         {"--focus", "5", "--snapshot", "still.png"},
         "the camera stopped answering: nothing came through its mailbox within 10 s"},
        // Outputs are tried before the camera, which is absent here. A line break in a name is
        // echoed as an escape: the line stays one.
        {6, "absent", {"--snapshot", "gone/two\nlines.png"}, "cannot write gone/two\\nlines.png: "},
        {6, "absent", {"--focus", "1", "--csv", "gone/f.csv"}, "cannot write gone/f.csv: "},
        {6,
         "absent",
         {"--snapshot", "s.png", "--save-stream", "gone/c.jpg"},
         "cannot write gone/c.jpg: "},
        {2,
         "",
         {"--snapshot", "s.png", "--raw", "--save-stream", "r2.jpg"},
         "--save-stream with --raw writes the samples as a PGM: name it .pgm, not 'r2.jpg'"},
        {1,
         "",
         {},
         "the main window needs a display (DISPLAY and WAYLAND_DISPLAY are not set); "
         "nitidor --help lists the options that need none"},
        {1, "", {}, "(no X server answers at DISPLAY=:4093)", ":4093"}};
    for (const Ending& e : endings) {
        SCOPED_TRACE(e.says);
        Clear();
        m_display = QString::fromLatin1(e.display);
        EXPECT_EQ(Run(e.args, QString::fromLatin1(e.sim)), e.code);
        ExpectOneLine(e.says);
        EXPECT_EQ(WorkFiles(), QStringList());
    }
}

TEST_F(CommandLineProcessTest, AnotherCopyRunning) {
    const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", Path("run").toLocal8Bit());
    HANDLE held = CreateMutex(nullptr, TRUE, "TaloCap");
    ASSERT_EQ(GetLastError(), 0u);
    EXPECT_EQ(Run({"--focus", "1"}), 7);
    ExpectOneLine("another copy is running");
    CloseHandle(held);
    qputenv("XDG_RUNTIME_DIR", oldRuntime);
}

TEST_F(CommandLineProcessTest, CtrlCAndATerminateRequestStopTheRunOnceFiguresFlow) {
    // As shells count a signal's end: 128 + its number.
    for (const auto& [signalNumber, code, says] :
         {std::tuple{SIGINT, 130, "interrupted"}, std::tuple{SIGTERM, 143, "terminated"}}) {
        Clear();
        Start({"--focus", "30"});
        ASSERT_TRUE(m_process.waitForReadyRead(kRunLimit_ms));
        ASSERT_EQ(kill(static_cast<pid_t>(m_process.processId()), signalNumber), 0);
        EXPECT_EQ(Finish(), code);
        ExpectOneLine(says);
        EXPECT_GE(Figures().size(), 1);
    }
}

// A station script: the figure limit passes in focus and fails out of it, and the summary
// object, the last line, parses.
TEST_F(CommandLineProcessTest, AStationGetsAVerdictAndASummaryItCanParse) {
    const QStringList args{"--focus", "2", "--json", "--min-figure", "10000"};
    for (const auto& [lens, code] : {std::pair{"lens=620", 0}, std::pair{"lens=420", 8}}) {
        Clear();
        EXPECT_EQ(Run(args, lens), code) << lens << m_err.toStdString();
        const QStringList lines = Figures();
        ASSERT_GE(lines.size(), 2) << lens;  // a figure at least, and the summary
        for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
            const QJsonObject figure = QJsonDocument::fromJson(lines[i].toUtf8()).object();
            EXPECT_EQ(figure["type"], "figure") << lines[i].toStdString();
            EXPECT_TRUE(figure["figure"].isDouble() && figure["elapsed_ms"].isDouble());
            EXPECT_FALSE(figure.contains("mtf50"));
        }
        const QJsonObject summary = QJsonDocument::fromJson(lines.last().toUtf8()).object();
        EXPECT_EQ(summary["type"], "summary") << lines.last().toStdString();
        EXPECT_EQ(summary["exit_code"], code);
        EXPECT_EQ(summary["verdict"], code ? "fail" : "pass");
        const QJsonObject limit = summary["limits"].toArray().at(0).toObject();
        EXPECT_EQ(limit["option"], "min-figure");
        EXPECT_EQ(limit["met"], code == 0);
        EXPECT_EQ(limit["measured"], summary["focus"]["last_second"]["median"]);
        const QStringList said = QString::fromLatin1(m_err).split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(said.size(), code ? 2 : 1) << m_err.toStdString();
        EXPECT_TRUE(said[0].startsWith("nitidor: focus: ")) << said[0].toStdString();
        // The verdict's words are CommandLineVerdictTest's; here they name the limit missed.
        if (code) {
            EXPECT_TRUE(said[1].startsWith("nitidor: limit missed: --min-figure 10000: median "))
                << said[1].toStdString();
            EXPECT_EQ("nitidor: " + summary["message"].toString(), said[1]);
        }
    }
}

// The corners of a lens tilted top to bottom miss the tilt limit; the regions' medians, the
// tilt and the still's files are in the summary.
TEST_F(CommandLineProcessTest, ATiltedLensMissesTheTiltLimit) {
    EXPECT_EQ(Run({"--focus", "2", "--json", "--max-tilt", "50", "--min-mtf50", "0.1", "--snapshot",
                   "still.png", "--save-stream", "camera.jpg"},
                  "lens=600,tilt-y=-40"),
              8);
    EXPECT_TRUE(QString::fromLatin1(m_err).section('\n', 1).startsWith(
        "nitidor: limit missed: --max-tilt 50: y -"))
        << m_err.toStdString();
    const QStringList lines = Figures();
    ASSERT_GE(lines.size(), 3);
    EXPECT_TRUE(QJsonDocument::fromJson(lines.end()[-2].toUtf8())["mtf50"]["tl"].isDouble());
    const QJsonObject summary = QJsonDocument::fromJson(lines.last().toUtf8()).object();
    EXPECT_LT(summary["regions"]["tilt"]["y_percent"].toDouble(), -50);
    EXPECT_GT(summary["regions"]["mtf50"]["c"].toDouble(), 0.1);
    EXPECT_EQ(summary["still"]["file"], "still.png");
    EXPECT_EQ(summary["still"]["stream"], "camera.jpg");
    EXPECT_TRUE(summary["still"]["mtf50"]["br"].isDouble());
    EXPECT_EQ(summary["limits"].toArray().size(), 2);
}

TEST_F(CommandLineProcessTest, AStandardOutputThatTakesNoLinesEndsTheRunCleanly) {
    // head leaves after two lines; the program's next line finds no reader.
    const QString line = QStringLiteral("'%1' --focus 30 | head -n 2; exit ${PIPESTATUS[0]}");
    Start({"-c", line.arg(NITIDOR_PROGRAM)}, {}, QStringLiteral("bash"));
    EXPECT_EQ(Finish(), 6);
    ExpectOneLine("cannot write to standard output");
    EXPECT_EQ(Figures().size(), 2);
    // Closed from the start, and standard input with it: the first line fails.
    Clear();
    Start({"-c", QStringLiteral("'%1' --focus 30 >&- <&-").arg(NITIDOR_PROGRAM)}, {},
          QStringLiteral("bash"));
    EXPECT_EQ(Finish(), 6);
    ExpectOneLine("cannot write to standard output");
}

TEST_F(CommandLineProcessTest, AFileSizeLimitKeepsTheEarlierFileAndEndsWith6) {
    // The sizes of what a still run writes on the simulated camera, learnt from one run.
    ASSERT_EQ(Run({"--snapshot", "probe.png", "--save-stream", "probe.jpg"}), 0);
    const qint64 png = QFileInfo(Work("probe.png")).size();
    const qint64 stream = QFileInfo(Work("probe.jpg")).size();  // as "Temp.jpg" holds it
    ASSERT_GT(png - 16384, stream);
    QFile::remove(Work("probe.png"));
    QFile::remove(Work("probe.jpg"));
    Clear();
    WriteEarlier(Work("still.png"));
    EXPECT_EQ(Run({"--snapshot", "still.png"}, {}, rlim_t(png - 4096)), 6);
    ExpectOneLine("cannot write still.png: File too large");
    EXPECT_EQ(Contents(Work("still.png")), kEarlier);
    EXPECT_EQ(WorkFiles(), QStringList{"still.png"});
    // The camera's stream does not fit "Temp.jpg": said so, not taken for a bad stream.
    Clear();
    EXPECT_EQ(Run({"--snapshot", "still.png"}, {}, rlim_t(stream / 2)), 6);
    ExpectOneLine("the camera's JPEG still could not be written to Temp.jpg: File too large");
    EXPECT_EQ(WorkFiles(), QStringList{"still.png"});
    // Figures for a CSV whose second line passes the limit.
    WriteEarlier(Work("figures.csv"));
    Clear();
    EXPECT_EQ(Run({"--focus", "1", "--csv", "figures.csv"}, {}, 16), 6);
    ExpectOneLine("cannot write figures.csv: File too large");
    EXPECT_EQ(Contents(Work("figures.csv")), kEarlier);
    EXPECT_EQ(WorkFiles(), (QStringList{"figures.csv", "still.png"}));
}

}  // namespace
