#include "TestSupport.h"
#include "ToolRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string kSamples = QE_SAMPLES_DIR;

ToolRun RunInstallUtility(const std::string& arguments) {
    return RunTool(QE_INSTALLUTILITY_PATH, arguments);
}

} // namespace

// The sample's folders are not on this machine: a dry run finds each absent.
TEST(InstallUtility, DryRunOfTheSampleFindsNothingInstalled) {
    const ToolRun run = RunInstallUtility("-uninstall '" + kSamples + "/sku.xml' '" + kSamples +
                                          "/target_path.xml' --dry-run -v");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "absent /Applications/Qe Editor/Plug-ins\n"
                          "absent /Applications/Qe Editor 32/Plug-ins\n"
                          "absent /Applications/Qe Viewer/Plug-ins\n"
                          "absent /Library/Documentation/Qe Studio/Qe Studio Help\n");
}

TEST(InstallUtility, RefusesWhatItCannotUse) {
    // The targets file is no product definition: it has no product name.
    ToolRun run = RunInstallUtility("-uninstall '" + kSamples + "/target_path.xml' '" + kSamples +
                                    "/target_path.xml' -v");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("no product name"), std::string::npos);

    run = RunInstallUtility("-uninstall '" + kSamples + "/sku.xml' /nonexistent -v");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("\"/nonexistent\" is not a readable regular file"),
              std::string::npos);

    // Nothing writes to the FIFO: opening it to read would wait for ever, so
    // the run is ended after a few seconds (status 124) if it waits.
    const std::string fifo = "/tmp/installutility-fifo-" + std::to_string(getpid());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    run = RunTool("timeout 5 " QE_INSTALLUTILITY_PATH,
                  "-uninstall '" + kSamples + "/sku.xml' " + fifo + " -v");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("\"" + fifo + "\" is not a readable regular file"),
              std::string::npos);
    run = RunTool("timeout 5 " QE_INSTALLUTILITY_PATH,
                  "-uninstall " + fifo + " '" + kSamples + "/target_path.xml' -v");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("no product name"), std::string::npos);
    unlink(fifo.c_str());

    for (const char* arguments : {"", "-install a b -v", "-uninstall a", "-uninstall a b -v x",
                                  "-uninstall a b -v -v", "-uninstall a b --dry-run -v --dry-run"})
        EXPECT_EQ(RunInstallUtility(arguments).status, 2) << arguments;
}

// The reader of the report goes away at once: the removal still finishes.
TEST(InstallUtility, ClosedOutputDoesNotStopTheRemoval) {
    const std::string scratch = MakeScratchFolder("installutility-closed");
    const std::string folder = std::string(scratch) + "/target";
    mkdir(folder.c_str(), 0700);
    std::ofstream definition(std::string(scratch) + "/sku.xml");
    definition << "<product><sku name=\"P\"/><hosts><host name=\"H\"/></hosts><installFiles>";
    // Far more report than a pipe holds.
    for (int file = 0; file < 3000; ++file) {
        const std::string name = "file" + std::to_string(file);
        std::ofstream(folder + "/" + name) << name;
        definition << "<file fileName=\"" << name << "\"/>";
    }
    definition << "</installFiles></product>";
    definition.close();
    std::ofstream(std::string(scratch) + "/targets.xml")
        << "<targets><target host=\"H\" path=\"" << folder << "\"/></targets>";
    RunInstallUtility("-uninstall " + std::string(scratch) + "/sku.xml " + scratch +
                      "/targets.xml -v | true");
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    std::filesystem::remove_all(scratch);
}
