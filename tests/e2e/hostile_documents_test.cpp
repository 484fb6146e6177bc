// Hostile commentary documents, end to end. Each of "komm1.rtf" to "komm5.rtf" is replaced, in
// the program's current directory (searched first), by something that is not a commentary page;
// the real executable runs in its scripted mode to the moment it loads the page, plays another
// lesson, and loads the page again. It must say what is wrong on stderr each time, keep what the
// panel showed, and go on animating; the picture at the end is compared with runs that used a
// good document. Then, inside one program, a good page loaded after a bad one shows normally.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <functional>
#include <ostream>
#include <sstream>

#include "e2e/headless.h"
#include "engine/globals.h"
#include "support/data_dir.h"
#include "support/lesson_end_checks.h"
#include "support/pixels.h"
#include "support/scratch_dir.h"
#include "support/window_fixture.h"

using e2e::HeadlessRun;
using e2e::RunHeadless;

namespace {

// Where each document is loaded: the lesson whose end (or whose comment button) loads it, and
// the panel that shows it.
struct Document {
    int number;   // N of "kommN.rtf"
    int lesson;   // menu item
    bool button;  // loaded by the lesson's comment button (else by its last frame)
    QRect panel;
};
const Document kDocuments[] = {
    {1, 2, false, lesson_end::kSmallPanel}, {2, 3, true, lesson_end::kLargePanel},
    {3, 4, true, lesson_end::kLargePanel},  {4, 5, true, lesson_end::kLargePanel},
    {5, 6, true, lesson_end::kLargePanel},
};

std::string FileName(const Document& d) {
    return "komm" + std::to_string(d.number) + ".rtf";
}

void PrintTo(const Document& d, std::ostream* out) {
    *out << FileName(d);
}

// The actions that reach the load of the document.
std::vector<std::string> ReachLoad(const Document& d) {
    std::vector<std::string> a = {"--select", std::to_string(d.lesson), "--ticks", "159"};
    if (d.button) a.push_back("--comments");
    return a;
}

// Load, play the open-loop lesson to its end, load again.
std::vector<std::string> Scenario(const Document& d) {
    std::vector<std::string> a = {"--ticks", "2"};
    const auto load = ReachLoad(d);
    a.insert(a.end(), load.begin(), load.end());
    a.insert(a.end(), {"--select", "1", "--ticks", "159"});
    a.insert(a.end(), load.begin(), load.end());
    return a;
}

QByteArray ShippedDocument(const Document& d) {
    QFile f(QString::fromStdString((DataDir() / FileName(d)).string()));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray RandomBytes(qsizetype n) {
    QByteArray bytes(n, Qt::Uninitialized);
    QRandomGenerator generator(20240601);  // the same bytes every run
    for (qsizetype i = 0; i < n; ++i)
        bytes[i] = static_cast<char>(generator.generate() & 0xFF);
    return bytes;
}

// A hostile replacement for a document, made in the directory `dir` under `name`.
struct Hostile {
    const char* kind;
    std::function<bool(const QString& dir, const QString& name)> make;
    const char* says;      // what the message says ("" when the page is shown without a message)
    bool keepsPage;        // the panel keeps what it showed; otherwise it shows what could be read
    const char* readable;  // for a shown page: a good document with the same readable text
};

// A maker that writes these bytes.
std::function<bool(const QString&, const QString&)> Bytes(const QByteArray& bytes) {
    return [bytes](const QString& dir, const QString& name) {
        return WriteFile(dir + "/" + name, bytes);
    };
}

std::vector<Hostile> HostileKinds() {
    const char* pastTheEnd = "est abîmé : des données binaires dépassent la fin du fichier";
    QByteArray page = "{\\rtf1\\ansi ";
    while (page.size() < 3 * 1024 * 1024)
        page += "Une ligne de commentaire, comme sur une vraie page.\\par ";
    std::vector<Hostile> kinds = {
        {"a directory in its place",
         [](const QString& dir, const QString& name) { return QDir(dir).mkdir(name); },
         "c'est un dossier, pas un document", true, nullptr},
        {"an empty file", Bytes({}), "le document est vide", true, nullptr},
        // (Opened, it would block the program until something writes into it.)
        {"a named pipe in its place",
         [](const QString& dir, const QString& name) {
             return ::mkfifo(QFile::encodeName(dir + "/" + name).constData(), 0600) == 0;
         },
         "pas un fichier ordinaire", true, nullptr},
        {"a file whose reading fails",
         [](const QString& dir, const QString& name) {
             return QFile::link(QStringLiteral("/proc/self/mem"), dir + "/" + name);
         },
         "lecture impossible", true, nullptr},
        {"10 MB of random bytes", Bytes(RandomBytes(10 * 1000 * 1000)), "document trop volumineux",
         true, nullptr},
        {"a million nested braces", Bytes(QByteArray(1000000, '{') + QByteArray(1000000, '}')),
         "sans coupure possible", true, nullptr},
        {"a huge \\bin count", Bytes("{\\rtf1 avant \\bin99999999999999999999 x}"), pastTheEnd,
         false, "{\\rtf1 avant }"},
        {"a \\bin count just below 2^31", Bytes("{\\rtf1 avant \\bin2147483647 x}"), pastTheEnd,
         false, "{\\rtf1 avant }"},
        {"a page of 3 MB", Bytes(page + "}"), "document trop volumineux", true, nullptr},
    };
    if (::getuid() != 0) {
        // Permissions stop everyone but root.
        kinds.push_back({"a file without read permission",
                         [](const QString& dir, const QString& name) {
                             return WriteFile(dir + "/" + name, "{\\rtf1 secret}") &&
                                    QFile::setPermissions(dir + "/" + name,
                                                          QFileDevice::Permissions());
                         },
                         "lecture impossible", true, nullptr});
    }
    return kinds;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class HostileDocuments : public ::testing::TestWithParam<Document> {
  protected:
    void SetUp() override { ASSERT_TRUE(scratch_.isValid()); }

    // A fresh current directory for one run.
    std::string NewDir(const std::string& name) {
        const QString path = scratch_.filePath(QString::fromStdString(name));
        EXPECT_TRUE(QDir().mkpath(path));
        return path.toStdString();
    }

    HeadlessRun Run(const std::vector<std::string>& actions, const std::string& dir) {
        HeadlessRun run = RunHeadless(actions, scratch_.path().toStdString(), dir);
        EXPECT_FALSE(run.timedOut) << "the program did not finish within 2 minutes";
        EXPECT_EQ(run.exit.Describe(), "exit status 0") << run.err;
        EXPECT_FALSE(run.picture.isNull());
        return run;
    }

    QTemporaryDir scratch_;
};

}  // namespace

TEST_P(HostileDocuments, AreReportedKeepThePanelAndStopNothing) {
    const Document& doc = GetParam();
    const QString name = QString::fromStdString(FileName(doc));

    // References: the same actions with the shipped page copied into the current directory, and
    // the panels as the window shows them before its first tick (their design-time line), which
    // is what a panel keeps when its first page cannot be shown.
    const std::string goodDir = NewDir("good");
    ASSERT_TRUE(WriteFile(QString::fromStdString(goodDir) + "/" + name, ShippedDocument(doc)));
    const HeadlessRun good = Run(Scenario(doc), goodDir);
    ASSERT_TRUE(good.err.empty()) << good.err;
    ASSERT_TRUE(lesson_end::PanelShown(good.picture, doc.panel, "panel").empty());
    const QImage designLines = Run({"--ticks", "0"}, NewDir("design")).picture;
    ASSERT_GT(Differences(good.picture, designLines, doc.panel), 1000);

    // Absent from the current directory: the shipped page is used, without a word.
    {
        SCOPED_TRACE("absent");
        const HeadlessRun run = Run(Scenario(doc), NewDir("absent"));
        EXPECT_TRUE(run.err.empty()) << run.err;
        EXPECT_EQ(Differences(run.picture, good.picture), 0);
    }

    int serial = 0;
    for (const Hostile& h : HostileKinds()) {
        SCOPED_TRACE(h.kind);
        const std::string dir = NewDir("hostile" + std::to_string(++serial));
        ASSERT_TRUE(h.make(QString::fromStdString(dir), name));
        const HeadlessRun run = Run(Scenario(doc), dir);

        // One line per load, naming the document and what is wrong with it.
        const auto lines = Lines(run.err);
        EXPECT_EQ(lines.size(), 2u) << run.err;
        for (const std::string& line : lines) {
            EXPECT_EQ(line.rfind("table-tracante: ", 0), 0u) << line;
            EXPECT_NE(line.find("« " + FileName(doc) + " »"), std::string::npos) << line;
            EXPECT_NE(line.find(h.says), std::string::npos) << line;
        }
        // Everything but the panel is as with a good page: the lesson in between ran, and the
        // second load was reached.
        EXPECT_EQ(Differences(run.picture, good.picture),
                  Differences(run.picture, good.picture, doc.panel));
        if (h.keepsPage) {
            EXPECT_EQ(Differences(run.picture, designLines, doc.panel), 0)
                << "the panel does not show what it showed before";
        } else {
            // Damaged: shown as far as it could be read, like a good page with that text.
            const std::string readableDir = NewDir("readable" + std::to_string(serial));
            ASSERT_TRUE(WriteFile(QString::fromStdString(readableDir) + "/" + name, h.readable));
            const HeadlessRun readable = Run(Scenario(doc), readableDir);
            EXPECT_EQ(Differences(run.picture, readable.picture, doc.panel), 0);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EachDocument, HostileDocuments, ::testing::ValuesIn(kDocuments),
                         [](const ::testing::TestParamInfo<Document>& param) {
                             return "komm" + std::to_string(param.param.number);
                         });

namespace {

// Inside one program: pages written between two loads, in a scratch current directory.
class PageAfterPage : public InScratchDirectory {
  protected:
    void Clear(const QString& name) {
        QFile::setPermissions(name, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QFile::remove(name);
        QDir().rmdir(name);
    }
};

std::string Text(const TRichEdit* panel) {
    return panel->document()->toPlainText().toStdString();
}

}  // namespace

TEST_F(PageAfterPage, AGoodPageAfterABadOneShowsAgain) {
    WindowDriver d;
    Ttable& t = d.form();
    d.Tick(2);
    for (const Document& doc : kDocuments) {
        const QString name = QString::fromStdString(FileName(doc));
        const TRichEdit* panel = doc.panel == lesson_end::kSmallPanel ? t.RichEdit1 : t.RichEdit2;
        // A comment button reloads its page at each click; the small panel's page is loaded by
        // the end of its lesson.
        if (doc.button) {
            d.Select(doc.lesson);
            d.Tick(159);
        }
        auto load = [&] {
            if (doc.button) {
                d.ClickComments();
            } else {
                d.Select(doc.lesson);
                d.Tick(159);
            }
        };
        for (const Hostile& h : HostileKinds()) {
            if (!h.keepsPage) continue;
            SCOPED_TRACE(name.toStdString() + ", " + h.kind);
            Clear(name);
            ASSERT_TRUE(WriteFile(name, "{\\rtf1 Page de l'enseignant}"));
            load();
            ASSERT_EQ(Text(panel), "Page de l'enseignant");

            Clear(name);
            ASSERT_TRUE(h.make(QStringLiteral("."), name));
            EXPECT_NE(Stderr(load).find(h.says), std::string::npos);
            EXPECT_TRUE(panel->isVisible());
            EXPECT_EQ(Text(panel), "Page de l'enseignant");

            // The next good page is shown.
            Clear(name);
            ASSERT_TRUE(WriteFile(name, "{\\rtf1 Nouvelle page}"));
            EXPECT_EQ(Stderr(load), "");
            EXPECT_EQ(Text(panel), "Nouvelle page");
        }
        Clear(name);
        // And the animation goes on.
        d.Select(1);
        d.Tick(10);
        EXPECT_EQ(Phase, 11);
    }
}

TEST_F(PageAfterPage, LongWordsAreShownUpToALimitThatKeepsTheWindowResponsive) {
    WindowDriver d;
    Ttable& t = d.form();
    d.Tick(2);
    d.Select(3);
    d.Tick(159);
    // A page with a long address in it, and a word of 10,000 characters: shown.
    const QByteArray address = "https://exemple.org/" + QByteArray(300, 'x');
    ASSERT_TRUE(WriteFile("komm2.rtf", "{\\rtf1 Voir " + address + " pour la suite.}"));
    std::string err = Stderr([&] { d.ClickComments(); });
    EXPECT_TRUE(err.empty()) << err;
    EXPECT_EQ(Text(t.RichEdit2), "Voir " + address.toStdString() + " pour la suite.");
    ASSERT_TRUE(WriteFile("komm2.rtf", "{\\rtf1 " + QByteArray(10000, 'a') + "}"));
    err = Stderr([&] { d.ClickComments(); });
    EXPECT_TRUE(err.empty()) << err;
    EXPECT_EQ(Text(t.RichEdit2).size(), 10000u);
    // One more, in an RTF page or in plain text: refused, the page stays.
    for (const QByteArray& page :
         {"{\\rtf1 " + QByteArray(10001, 'a') + "}", QByteArray(10001, 'a'),
          "{\\rtf1 d\\'e9but\\par " + QByteArray(5000, 'b') + "{\\b " + QByteArray(5001, 'c') +
              "}}"}) {
        ASSERT_TRUE(WriteFile("komm2.rtf", page));
        err = Stderr([&] { d.ClickComments(); });
        EXPECT_NE(err.find("10001 caractères à la suite sans coupure possible"), std::string::npos)
            << err;
        EXPECT_EQ(Text(t.RichEdit2).size(), 10000u);
    }
}
