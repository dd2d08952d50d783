// The command line of the setup and the uninstaller: splitting, quoting, case and the options'
// values, and what is refused.
#include <gtest/gtest.h>

#include "app/option_parser.h"
#include "platform/command_line.h"
#include "uninstall/uninstaller.h"

using namespace corvid;

namespace {

SetupOptions Parsed(const std::string& arguments) {
    SetupOptions o;
    std::string error;
    EXPECT_TRUE(ParseSetupOptions(arguments, o, error)) << arguments << ": " << error;
    return o;
}

std::string Refused(const std::string& arguments) {
    SetupOptions o;
    std::string error;
    EXPECT_FALSE(ParseSetupOptions(arguments, o, error)) << arguments;
    return error;
}

} // namespace

TEST(CommandLine, BlanksQuotesAndBackslashes) {
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitArguments(""), V{});
    EXPECT_EQ(SplitArguments("  \t "), V{});
    EXPECT_EQ(SplitArguments(" /a  -b\t/c=1 "), (V{"/a", "-b", "/c=1"}));
    // Quotes around the value, around the whole argument, or in the middle of it.
    EXPECT_EQ(SplitArguments("/dir=\"C:\\My Tools\" /x"), (V{"/dir=C:\\My Tools", "/x"}));
    EXPECT_EQ(SplitArguments("\"/dir=C:\\My Tools\""), V{"/dir=C:\\My Tools"});
    EXPECT_EQ(SplitArguments("/dir=C:\\\"My Tools\"\\x"), V{"/dir=C:\\My Tools\\x"});
    // A trailing backslash does not swallow the closing quote.
    EXPECT_EQ(SplitArguments("/dir=\"C:\\My Tools\\\" /silent"),
              (V{"/dir=C:\\My Tools\\", "/silent"}));
    // An unclosed quote runs to the end; an empty pair is an empty argument.
    EXPECT_EQ(SplitArguments("/group=\"A B"), V{"/group=A B"});
    EXPECT_EQ(SplitArguments("\"\" x"), (V{"", "x"}));

    EXPECT_EQ(ArgumentsOf("\"C:\\Program Files\\setup.exe\" /SILENT /dir=x "), "/SILENT /dir=x");
    EXPECT_EQ(ArgumentsOf("setup.exe"), "");
}

TEST(CommandLine, OptionNamesFoldCaseAndKeepTheirValue) {
    CommandOption o;
    ASSERT_TRUE(ReadOption("-DiR=C:\\A=B", o));
    EXPECT_EQ(o.name, "dir");
    EXPECT_TRUE(o.hasValue);
    EXPECT_EQ(o.value, "C:\\A=B"); // only the first '=' separates
    ASSERT_TRUE(ReadOption("/Silent", o));
    EXPECT_EQ(o.name, "silent");
    EXPECT_FALSE(o.hasValue);
    ASSERT_TRUE(ReadOption("/log=", o));
    EXPECT_TRUE(o.hasValue);
    EXPECT_EQ(o.value, "");
    EXPECT_FALSE(ReadOption("C:\\x", o));
    EXPECT_FALSE(ReadOption("/", o));
    EXPECT_FALSE(ReadOption("/=x", o));
}

TEST(SetupOptionsParser, NoArgumentsChangeNothing) {
    const SetupOptions o = Parsed("");
    EXPECT_FALSE(o.given);
    EXPECT_EQ(o.quiet, Quietness::Interactive);
    EXPECT_TRUE(o.dir.empty() && o.type.empty() && o.group.empty() && o.log.empty());
    EXPECT_FALSE(o.componentsGiven || o.noIcons || o.noRestart || o.help);
}

TEST(SetupOptionsParser, EveryOptionInAnyCaseAndWithEitherPrefix) {
    const SetupOptions o =
        Parsed("-SILENT /Dir=\"C:\\Program Files\\Tools\" /GROUP=\"My Tools\" /NoIcons "
               "-type=MINIMAL /norestart /LOG=\"C:\\logs\\a b.txt\" /saveinf=C:\\s.inf "
               "/LoadInf=C:\\l.inf");
    EXPECT_TRUE(o.given);
    EXPECT_EQ(o.quiet, Quietness::Silent);
    EXPECT_EQ(o.dir, "C:\\Program Files\\Tools");
    EXPECT_EQ(o.group, "My Tools");
    EXPECT_TRUE(o.noIcons);
    EXPECT_EQ(o.type, "minimal");
    EXPECT_TRUE(o.noRestart);
    EXPECT_EQ(o.log, "C:\\logs\\a b.txt");
    EXPECT_EQ(o.saveInf, "C:\\s.inf");
    EXPECT_EQ(o.loadInf, "C:\\l.inf");
    EXPECT_FALSE(o.help);
    EXPECT_TRUE(Parsed("/?").help);
    EXPECT_TRUE(Parsed("-HELP").help);
}

TEST(SetupOptionsParser, RepeatedOptionsTheLastCountsAndVerySilentOutranksSilent) {
    EXPECT_EQ(Parsed("/dir=C:\\A /dir=C:\\B").dir, "C:\\B");
    EXPECT_EQ(Parsed("/type=cd /type=standard").type, "standard");
    EXPECT_EQ(Parsed("/verysilent /silent").quiet, Quietness::VerySilent);
    EXPECT_EQ(Parsed("/silent /verysilent").quiet, Quietness::VerySilent);
    EXPECT_EQ(Parsed("/silent /silent").quiet, Quietness::Silent);
}

TEST(SetupOptionsParser, ComponentListsImplyTheCustomType) {
    SetupOptions o = Parsed("/components=\"1, Help files ,3\"");
    EXPECT_TRUE(o.componentsGiven);
    EXPECT_EQ(o.components, (std::vector<std::string>{"1", "Help files", "3"}));
    EXPECT_EQ(o.type, "custom");
    EXPECT_EQ(Parsed("/type=Custom /components=2").type, "custom");
    EXPECT_NE(Refused("/type=standard /components=2").find("custom"), std::string::npos);
}

TEST(SetupOptionsParser, WhatIsRefusedNamesTheArgument) {
    EXPECT_NE(Refused("/silent /verbose").find("/verbose"), std::string::npos);
    EXPECT_NE(Refused("C:\\Tools").find("C:\\Tools"), std::string::npos);
    EXPECT_NE(Refused("/dir").find("/dir"), std::string::npos);   // value missing
    EXPECT_NE(Refused("/dir=").find("/dir="), std::string::npos); // value empty
    EXPECT_NE(Refused("/log=\"  \"").find("/log"), std::string::npos);
    EXPECT_NE(Refused("/silent=1").find("/silent=1"), std::string::npos);
    EXPECT_NE(Refused("/type=full").find("/type=full"), std::string::npos);
    EXPECT_NE(Refused("/components=1,,2").find("/components"), std::string::npos);
    EXPECT_NE(Refused("/components=1,").find("/components"), std::string::npos);
    // A bare word glued to an option by a missing quote is not taken as a value.
    EXPECT_NE(Refused("/dir=C:\\My Tools").find("Tools"), std::string::npos);
}

TEST(SetupOptionsParser, TheListNamesEveryOption) {
    const std::string list = SetupOptionList();
    for (const char* o :
         {"/silent", "/verysilent", "/dir=", "/group=", "/noicons",
          "/type=", "/components=", "/norestart", "/log=", "/saveinf=", "/loadinf=", "/?", "/help"})
        EXPECT_NE(list.find(o), std::string::npos) << o;
}

TEST(UninstallerOptions, TheyFollowThePathInAnyOrderAndCase) {
    UninstallCommand c =
        ParseUninstallArguments("C:\\My Tools\\setup\\uninst.log -LOG=\"C:\\a b.txt\" /Silent");
    EXPECT_EQ(c.logPath, "C:\\My Tools\\setup\\uninst.log");
    EXPECT_TRUE(c.silent);
    EXPECT_EQ(c.textLog, "C:\\a b.txt");
    EXPECT_TRUE(c.badOption.empty());

    // Something that only looks like an option belongs to the path.
    c = ParseUninstallArguments("C:\\x -y\\setup\\uninst.log /log=C:\\u.txt");
    EXPECT_EQ(c.logPath, "C:\\x -y\\setup\\uninst.log");
    EXPECT_FALSE(c.silent);
    EXPECT_EQ(c.textLog, "C:\\u.txt");

    // After a known option an unknown one is refused.
    c = ParseUninstallArguments("C:\\x\\uninst.log /silent /quiet");
    EXPECT_EQ(c.badOption, "/quiet");
    EXPECT_TRUE(ParseUninstallArguments("C:\\x\\uninst.log /log=").logPath.find("/log=") !=
                std::string::npos); // an empty value is no option
}
