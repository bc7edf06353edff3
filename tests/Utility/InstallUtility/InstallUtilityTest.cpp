#include "TestSupport.h"
#include "ToolRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const std::string kSamples = QE_SAMPLES_DIR;

ToolRun RunInstallUtility(std::vector<std::string> arguments, const ToolRunOptions& options = {}) {
    arguments.insert(arguments.begin(), QE_INSTALLUTILITY_PATH);
    return RunTool(arguments, options);
}

} // namespace

// The sample's folders are not on this machine: a dry run finds each absent.
TEST(InstallUtility, DryRunOfTheSampleFindsNothingInstalled) {
    const ToolRun run = RunInstallUtility(
        {"-uninstall", kSamples + "/sku.xml", kSamples + "/target_path.xml", "--dry-run", "-v"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, "absent /Applications/Qe Editor/Plug-ins\n"
                       "absent /Applications/Qe Editor 32/Plug-ins\n"
                       "absent /Applications/Qe Viewer/Plug-ins\n"
                       "absent /Library/Documentation/Qe Studio/Qe Studio Help\n");
}

TEST(InstallUtility, RefusesWhatItCannotUse) {
    // The targets file is no product definition: it has no product name.
    // Nothing writes to the FIFO: opening it to read would wait for ever, so
    // the run is ended after a few seconds (status -1) if it waits.
    const std::string scratch = MakeScratchFolder("installutility-refuses");
    const std::string fifo = scratch + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string sku = kSamples + "/sku.xml", targets = kSamples + "/target_path.xml";
    const struct {
        std::vector<std::string> arguments;
        std::string error;
    } refusals[] = {
        // The targets file is no product definition: it has no product name.
        {{"-uninstall", targets, targets, "-v"}, "no product name"},
        {{"-uninstall", sku, "/nonexistent", "-v"},
         "\"/nonexistent\" is not a readable regular file"},
        {{"-uninstall", sku, fifo, "-v"}, "\"" + fifo + "\" is not a readable regular file"},
        {{"-uninstall", fifo, targets, "-v"}, "no product name"},
    };
    for (const auto& refusal : refusals) {
        const ToolRun run = RunInstallUtility(refusal.arguments, {std::chrono::seconds(5)});
        EXPECT_EQ(run.status, 1) << refusal.error;
        EXPECT_NE(run.err.find(refusal.error), std::string::npos) << run.err;
    }
    std::filesystem::remove_all(scratch);

    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {},
             {"-install", "a", "b", "-v"},
             {"-uninstall", "a"},
             {"-uninstall", "a", "b", "-v", "x"},
             {"-uninstall", "a", "b", "-v", "-v"},
             {"-uninstall", "a", "b", "--dry-run", "-v", "--dry-run"},
         })
        EXPECT_EQ(RunInstallUtility(arguments).status, 2) << arguments.size() << " arguments";
}

// The reader of the report goes away at once: the removal still finishes.
TEST(InstallUtility, ClosedOutputDoesNotStopTheRemoval) {
    const std::string scratch = MakeScratchFolder("installutility-closed");
    const std::string folder = std::string(scratch) + "/target";
    mkdir(folder.c_str(), 0700);
    // Far more report than a pipe holds.
    std::string files;
    for (int file = 0; file < 3000; ++file) {
        const std::string name = "file" + std::to_string(file);
        std::ofstream(folder + "/" + name) << name;
        files += "<file fileName=\"" + name + "\"/>";
    }
    std::ofstream(scratch + "/sku.xml") << DefinitionText(files);
    std::ofstream(std::string(scratch) + "/targets.xml")
        << "<targets><target host=\"H\" path=\"" << folder << "\"/></targets>";
    const ToolRun run =
        RunInstallUtility({"-uninstall", scratch + "/sku.xml", scratch + "/targets.xml", "-v"},
                          {std::chrono::seconds(60), /*outputClosed=*/true});
    // Every file is gone, and the status says the report was lost.
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    EXPECT_EQ(run.status, 1);
    std::filesystem::remove_all(scratch);
}
