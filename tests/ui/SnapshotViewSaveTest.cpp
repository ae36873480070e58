// Saving from the snapshot view: what it offers, asks and writes, and the failures it tells.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QMenu>
#include <QTimer>

#include "fakes/AppTestEnv.h"
#include "platform/mfc/FileDialog.h"
#include "platform/mfc/WindowHandle.h"
#include "session/StillKind.h"
#include "ui/SnapshotViewDlg.h"
#include "ui/StillFile.h"
#include "ui/StillSaveSettings.h"

namespace {

// A still of `kind` (null: none kept) whose source is 20 bytes into its block.
CStill MakeStill(int width, int height, const CStillKind* kind, BYTE seed = 0) {
    CStill still;
    still.width = width;
    still.height = height;
    still.image = std::make_unique<BYTE[]>(size_t(3) * width * height);
    for (int i = 0; i < 3 * width * height; ++i)
        still.image[i] = BYTE(i * 5 + seed);
    still.source.pKind = kind;
    if (kind) {
        still.source.length = kind == &RawStill() ? size_t(width) * height : 50;
        still.source.offset = 20;
        still.source.phase = 2;
        still.source.block = std::make_unique<BYTE[]>(still.source.offset + still.source.length);
        for (size_t i = 0; i < still.source.offset + still.source.length; ++i)
            still.source.block[i] = BYTE(i + seed);
    }
    return still;
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class SnapshotViewSaveTest : public AppTestEnv {
protected:
    void SetUp() override {
        AppTestEnv::SetUp();
        ASSERT_TRUE(m_view.Create());
        m_oldDialog = SetFileDialogHook([this](CFileDialog& dialog) {
            asked.push_back(dialog.m_strTitle);
            offered = dialog.m_filters;
            offeredIndex = dialog.m_nFilterIndex;
            offeredFolder = dialog.m_strFolder;
            suggested = dialog.m_strFileName;
            if (whileAsked)
                whileAsked();
            if (answer.isEmpty())
                return INT_PTR(IDCANCEL);
            dialog.m_strPathName = answer;
            dialog.m_nFilterIndex = answerIndex;
            return INT_PTR(IDOK);
        });
    }
    void TearDown() override {
        SetFileDialogHook(m_oldDialog);
        m_view.DestroyWindow();
        AppTestEnv::TearDown();
    }
    QString Path(const QString& name) const { return m_dir.filePath(name); }
    // The context menu's item texts, read while it is open and then closed unchosen.
    QStringList MenuItems() {
        QStringList items;
        // Looks until the menu is up; goes with this call, so it never meets a later menu.
        QTimer reader;
        QObject::connect(&reader, &QTimer::timeout, [&items] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            for (QAction* action : menu->actions())
                items << action->text() + (action->shortcut().isEmpty()
                                               ? QString()
                                               : "\t" + action->shortcut().toString());
            menu->close();
        });
        reader.start(0);
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                                m_view.mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(&m_view, &event);
        return items;
    }

    const QDir m_dir = QDir::current();  // the test's own folder
    CSnapshotViewDlg m_view;
    std::vector<QString> asked;
    QStringList offered;
    int offeredIndex = -1;
    QString offeredFolder, suggested;
    QString answer;
    int answerIndex = 0;
    std::function<void()> whileAsked;

private:
    FileDialogHook m_oldDialog;
};

// The menu offers what the still carries, and the camera's data goes with its image.
TEST_F(SnapshotViewSaveTest, TheMenuOffersWhatTheStillCarries) {
    EXPECT_TRUE(MenuItems().isEmpty());  // no still, no menu
    m_view.SetStill(MakeStill(8, 4, &JpegStill()));
    const QString saveAs =
        QStringLiteral("Save &As...\t") + QKeySequence(QKeySequence::Save).toString();
    const QString measure = QStringLiteral("&Measure Sharpness");
    EXPECT_EQ(MenuItems(), (QStringList{saveAs, "Save Camera &JPEG...", "", measure}));
    m_view.SetStill(MakeStill(8, 4, &RawStill()));
    EXPECT_EQ(MenuItems(), (QStringList{saveAs, "Save &Raw Samples...", "", measure}));
    m_view.SetImage(std::make_unique<BYTE[]>(96), 8, 4);
    EXPECT_EQ(MenuItems(), (QStringList{saveAs, "", measure}));
    EXPECT_FALSE(m_view.m_source.block);
    m_view.SetStill(MakeStill(8, 4, &JpegStill()));
    m_view.DestroyWindow();
    EXPECT_FALSE(m_view.m_source.block);
}

TEST_F(SnapshotViewSaveTest, SaveAsWritesTheImageShownInTheFormatChosen) {
    m_view.SetStill(MakeStill(40, 30, &JpegStill()));
    struct Case {
        const char* name;
        int filter;
        const char* written;  // the format that lands in the file
        StillFormat remembered;
    };
    // The name's known suffix wins over the type chosen (which suffixes: StillFileTest); any
    // other name takes the type.
    const Case cases[] = {{"b.bmp", 0, "bmp", StillFormat::Bmp},
                          {"d.still", 2, "tiff", StillFormat::Tiff},
                          {"e.jpg", 0, "jpeg", StillFormat::Jpeg}};
    StillFormat previous = StillFormat::Png;  // nothing remembered yet: the default
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        answer = Path(c.name);
        answerIndex = c.filter;
        m_view.OnSaveAs();
        EXPECT_EQ(QImageReader(answer).format(), QByteArray(c.written));
        const StillSaveSettings settings = LoadStillSaveSettings();
        EXPECT_EQ(settings.folder, m_dir.path());
        EXPECT_EQ(settings.format, c.remembered);
        EXPECT_EQ(offeredIndex, int(previous));  // the last format is offered first
        previous = c.remembered;
    }
    EXPECT_EQ(offered.size(), 4);
    EXPECT_EQ(offered[0], "PNG image (*.png)");
    EXPECT_EQ(offeredFolder, m_dir.path());
    // Named for the time, with the suffix of the type offered (the one saved before).
    EXPECT_TRUE(suggested.startsWith("snapshot-") && suggested.endsWith(".tif"))
        << suggested.toStdString();
    EXPECT_TRUE(boxes.empty());
}

// Ctrl+S opening Save As in the view is the end-to-end suite's to press.
TEST_F(SnapshotViewSaveTest, ACancelWritesNothingAndWithoutTheCamerasDataNothingIsAsked) {
    m_view.SetStill(MakeStill(8, 4, nullptr));
    m_view.OnSaveSource();
    m_view.OnSaveAs();
    EXPECT_EQ(asked, (std::vector<QString>{"Save As"}));
    EXPECT_TRUE(QDir(offeredFolder).exists());  // nothing saved yet: a folder that is there
    EXPECT_TRUE(LoadStillSaveSettings().folder.isEmpty());
    EXPECT_TRUE(boxes.empty());
}

// The header's words for each phase are the writer's test; the view hands over the still's.
TEST_F(SnapshotViewSaveTest, TheCamerasSamplesAreSavedAsTheyCame) {
    m_view.SetStill(MakeStill(8, 4, &RawStill(), 3));
    const QByteArray samples(reinterpret_cast<const char*>(m_view.m_source.Data()), 32);
    answer = Path("raw.pgm");
    m_view.OnSaveSource();
    EXPECT_EQ(ReadFile(answer), QByteArray("P5\n# Bayer phase 2: GBRG\n8 4\n255\n") + samples);
    EXPECT_EQ(offered, QStringList{"PGM image (*.pgm)"});
    EXPECT_EQ(LoadStillSaveSettings().folder, m_dir.path());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SnapshotViewSaveTest, TheStillShownWhenAskedIsSavedEvenIfANewOneArrives) {
    m_view.SetStill(MakeStill(8, 4, &JpegStill(), 1));
    const QImage first = StillImage(m_view.m_pImage.get(), 8, 4);
    const QByteArray firstStream(reinterpret_cast<const char*>(m_view.m_source.Data()), 50);
    whileAsked = [this] { m_view.SetStill(MakeStill(8, 4, &JpegStill(), 2)); };
    answer = Path("first.png");
    m_view.OnSaveAs();
    EXPECT_EQ(QImage(answer).convertToFormat(QImage::Format_RGB888), first);
    answer = Path("first.jpg");
    m_view.SetStill(MakeStill(8, 4, &JpegStill(), 1));
    m_view.OnSaveSource();
    EXPECT_EQ(ReadFile(answer), firstStream) << "the camera's bytes as they came";
    EXPECT_EQ(offered, QStringList{"JPEG image (*.jpg *.jpeg)"});
}

TEST_F(SnapshotViewSaveTest, AFailureIsToldWithTheFileAndTheReason) {
    m_view.SetStill(MakeStill(8, 4, &RawStill()));
    answer = Path("missing/still.png");
    m_view.OnSaveAs();
    m_view.OnSaveSource();
    ASSERT_EQ(boxes.size(), 2u);
    for (const MessageBoxCall& box : boxes) {
        EXPECT_NE(box.text.find(answer.toStdString()), std::string::npos) << box.text;
        EXPECT_NE(box.text.find("No such file or directory"), std::string::npos) << box.text;
        EXPECT_EQ(box.type, MB_OK | MB_ICONSTOP);
        EXPECT_EQ(box.owner, HwndFromWidget(&m_view));
    }
    EXPECT_FALSE(QFile::exists(answer));
    EXPECT_TRUE(LoadStillSaveSettings().folder.isEmpty());  // nothing saved, nothing kept
}

}  // namespace
