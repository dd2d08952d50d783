// The in-memory profile editor and the uninstall log writer built on it. The expected texts are
// what WritePrivateProfileStringA left under Wine for the same files and writes.
#include <gtest/gtest.h>

#include "fake_platform.h"
#include "setupinf/profile.h"
#include "uninstall_log/log_format.h"
#include "uninstall_log/log_writer.h"

using namespace corvid;

namespace {

struct Write {
    const char* section;
    const char* key;
    const char* value;
};

std::string Edit(const std::string& file, std::initializer_list<Write> writes) {
    ProfileData d(file);
    for (const Write& w : writes) d.Set(w.section, w.key, w.value);
    return d.Text();
}

} // namespace

TEST(ProfileEditor, RewritesTheFileAsTheSystemDoes) {
    // Comments stay as bare names, blanks and blank lines go, a second "=value" line without a
    // name goes, "[ ]" loses its header, the first of two sections of a name takes the writes.
    EXPECT_EQ(Edit("; comment line\r\n  [ Files ]  \r\n f1 = \\a.txt \r\n\r\n\r\nnovalue\r\n=v0\r\n"
                   "=v1\r\n total=3\n[Other]\n\n[files]\nf9=dup\n[ ]\nx=1\n[bad\ny=2",
                   {{"files", "total", "4"},
                    {"files", "f2", "\\b.txt"},
                    {"NEW", "k", " v "},
                    {" Other ", " K2 ", "x"}}),
              "; comment line\r\n[Files]\r\nf1=\\a.txt\r\nnovalue\r\n=v0\r\ntotal=4\r\n"
              "f2=\\b.txt\r\n[Other]\r\nK2 =x\r\n[files]\r\nf9=dup\r\nx=1\r\n[bad\r\ny=2\r\n"
              "[NEW]\r\nk=v\r\n");
    // The first key of a name is replaced and keeps its spelling; the value keeps its quotes.
    EXPECT_EQ(Edit("[A]\r\nK=1\r\nk=2\r\n", {{"a", "k", "\"q\""}}), "[A]\r\nK=\"q\"\r\nk=2\r\n");
    EXPECT_EQ(Edit("", {{"A", "k", "v"}}), "[A]\r\nk=v\r\n");
    EXPECT_EQ(Edit("[A]\n", {{"A", "k", "   "}}), "[A]\r\nk=\r\n");
    // The last write keeps the blanks it was given after its first character.
    EXPECT_EQ(Edit("[A]\r\nk=1\r\n", {{"A", " K2 ", "x"}}), "[A]\r\nk=1\r\nK2 =x\r\n");
    EXPECT_EQ(Edit("[A]\r\nk=1\r\n", {{" B ", " K2 ", "x"}}), "[A]\r\nk=1\r\n[B ]\r\nK2 =x\r\n");
    EXPECT_EQ(Edit("[A]\r\nk=1\r\n", {{"A", "k", "2"}, {"A", "K2 ", " x "}}),
              "[A]\r\nk=2\r\nK2 =x \r\n");
    EXPECT_EQ(Edit("[A]\r\nk=1\r\n", {{"A", " K ", "v "}}), "[A]\r\nk=v \r\n");
}

TEST(ProfileEditor, AWriteReadsBackAsTheSystemReadsItsOwnFile) {
    // Blanks around new names and values are gone once the file was written and read back.
    EXPECT_EQ(Edit("[A]\r\nk=1\r\n", {{"A", "K2 ", " x "}, {"A", "k", "2"}}),
              "[A]\r\nk=2\r\nK2=x\r\n");
    EXPECT_EQ(Edit("[A]\r\nk=1\r\n", {{" B ", " K2 ", "x "}, {"Z", "z", "z"}}),
              "[A]\r\nk=1\r\n[B]\r\nK2=x\r\n[Z]\r\nz=z\r\n");
    EXPECT_EQ(Edit("[A]\r\nk=1\r\n", {{"A", "K2 ", "x"}, {"A", "K2", "y"}}),
              "[A]\r\nk=1\r\nK2=y\r\n");
    // A write that changes nothing once the last one is read back leaves the file as it was.
    EXPECT_EQ(Edit("[A]\r\nk=1\r\n", {{"A", "K2 ", " x "}, {"A", "k2", "x"}}),
              "[A]\r\nk=1\r\nK2 =x \r\n");
    // Lines that read back as something else than the key written.
    EXPECT_EQ(Edit("[A]\r\nk=1\r\n", {{"A", "", "x"}, {"A", "", "y"}, {"A", "z", "w"}}),
              "[A]\r\nk=1\r\n=y\r\nz=w\r\n");
    EXPECT_EQ(Edit("[A]\r\nk=1\r\n", {{"A", "a=b", "x"}, {"A", "a", "y"}}),
              "[A]\r\nk=1\r\na=y\r\n");
    EXPECT_EQ(Edit("[A]\r\nk=1\r\n", {{"A", "[q]", "x"}, {"A", "q", "y"}}),
              "[A]\r\nk=1\r\nq=y\r\n[q]\r\n");
    EXPECT_EQ(Edit("[A]\r\n", {{"A", "k", "1\r\nj=2"}, {"A", "j", "3"}}), "[A]\r\nk=1\r\nj=3\r\n");
}

TEST(ProfileEditor, SaysWhetherAWriteChangedAnything) {
    ProfileData d("[A]\r\n k = 1 \r\n");
    EXPECT_FALSE(d.Set("a", "K", "1"));
    EXPECT_FALSE(d.Set("A", "k", " 1"));
    EXPECT_TRUE(d.Set("A", "k", "1 ")); // a trailing blank differs until read back
    EXPECT_FALSE(d.Set("A", "k", "1"));
    EXPECT_TRUE(d.Set("A", "k", "2"));
    EXPECT_TRUE(d.Set("B", "k", "1"));
    ASSERT_NE(d.Find("b", "K"), nullptr);
    EXPECT_EQ(*d.Find("b", "K"), "1");
    EXPECT_EQ(*d.Find("a", "k"), "2");
}

namespace {

const char kLog[] = "C:\\Tools\\setup\\uninst.log";

} // namespace

TEST(LogWriter, FirstWriteReachesTheFileTheRestWaitsForFlush) {
    FakePlatform p;
    p.CreateDir("C:\\Tools");
    p.CreateDir("C:\\Tools\\setup");
    UninstallLogWriter log(p);
    log.Open(kLog, true);
    log.Readme("C:\\Tools\\readme.txt");
    EXPECT_EQ(p.ReadFile(kLog), "[readme]\r\nfile=C:\\Tools\\readme.txt\r\n");
    EXPECT_FALSE(log.Changed());
    log.File(1, "\\a.exe");
    log.FilesTotal(1);
    EXPECT_TRUE(log.Changed());
    EXPECT_EQ(p.ReadFile(kLog), "[readme]\r\nfile=C:\\Tools\\readme.txt\r\n");
    log.Flush();
    EXPECT_FALSE(log.Changed());
    EXPECT_EQ(p.ReadFile(kLog),
              "[readme]\r\nfile=C:\\Tools\\readme.txt\r\n[files]\r\nf1=\\a.exe\r\ntotal=1\r\n");
    EXPECT_FALSE(p.FileExists(uninstall_log::NewLogPath(kLog)));
    // Writing what is there already changes nothing.
    log.FilesTotal(1);
    EXPECT_FALSE(log.Changed());
}

TEST(LogWriter, AnEarlierInstallationsLogIsKeptAndRewrittenWhole) {
    FakePlatform p;
    p.WriteFile(kLog, "[files]\nf1=\\old.txt\nf2=\\gone.txt\ntotal=2\n\n[uninstall]\nname=Old\n");
    UninstallLogWriter log(p);
    log.Open(kLog, true);
    log.FilesTotal(0);
    log.File(1, "\\new.txt");
    log.Flush();
    EXPECT_EQ(p.ReadFile(kLog), "[files]\r\nf1=\\new.txt\r\nf2=\\gone.txt\r\ntotal=0\r\n"
                                "[uninstall]\r\nname=Old\r\n");

    // A first write that changes nothing leaves the file as it was.
    const std::string before = "[files]\ntotal=0\n";
    p.WriteFile(kLog, before);
    UninstallLogWriter again(p);
    again.Open(kLog, true);
    again.FilesTotal(0);
    EXPECT_EQ(p.ReadFile(kLog), before);
}

TEST(LogWriter, ALinkAtTheNewLogsNameIsNeverWrittenThrough) {
    const char kForeign[] = "C:\\WINDOWS\\win.ini";
    for (const bool logLinkToo : {false, true}) {
        SCOPED_TRACE(logLinkToo ? "the log a link as well" : "the log a file");
        FakePlatform p;
        p.WriteFile(kForeign, "[windows]\r\n");
        if (logLinkToo)
            p.MakeLink(kLog, kForeign);
        else
            p.WriteFile(kLog, "[files]\r\ntotal=0\r\n");
        p.MakeLink(uninstall_log::NewLogPath(kLog), kForeign);
        UninstallLogWriter log(p);
        log.Open(kLog, true);
        if (logLinkToo) {
            // Nothing is written; the run hears of it.
            EXPECT_THROW(log.FilesTotal(1), RuntimeError);
        } else {
            // The log itself is still written, in its place.
            log.FilesTotal(1);
            EXPECT_EQ(p.ReadFile(kLog), "[files]\r\ntotal=1\r\n");
            EXPECT_FALSE(p.QueryPath(kLog).link);
        }
        EXPECT_EQ(p.ReadFile(kForeign), "[windows]\r\n");
    }
}

TEST(LogWriter, RefusedWritesRaiseAndLeaveNothingHalfWritten) {
    FakePlatform p;
    p.WriteFile("C:\\Tools\\setup", "a file where the folder should be");
    UninstallLogWriter log(p);
    log.Open(kLog, true);
    try {
        log.Readme("x");
        FAIL() << "no error";
    } catch (const RuntimeError& e) {
        EXPECT_STREQ(e.what(), "Kann nicht nach C:\\Tools\\setup\\uninst.log schreiben");
    }
    EXPECT_FALSE(log.TryFlush());
    EXPECT_THROW(log.Flush(), RuntimeError);

    // A log that may not be replaced keeps its bytes, and no new file stays beside it.
    FakePlatform q;
    q.WriteFile(kLog, "[files]\r\ntotal=1\r\n");
    UninstallLogWriter kept(q);
    kept.Open(kLog, true);
    kept.FilesTotal(1);
    q.DeleteFile(kLog);
    q.CreateDir(kLog); // a folder in its place cannot be replaced
    kept.File(1, "\\a");
    EXPECT_FALSE(kept.TryFlush());
    EXPECT_TRUE(kept.Changed());
    EXPECT_FALSE(q.FileExists(uninstall_log::NewLogPath(kLog)));

    // Without the log nothing is written at all.
    FakePlatform r;
    UninstallLogWriter off(r);
    off.Open(kLog, false);
    off.Readme("x");
    off.Flush();
    EXPECT_FALSE(r.FileExists(kLog));
}
