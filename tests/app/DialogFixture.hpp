#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "app/AnalyzerDlg.hpp"
#include "platform/VirtualKeys.hpp"
#include "platform/headless/HeadlessDriver.hpp"
#include "resources/ControlIds.hpp"
#include "resources/DialogTemplates.hpp"

namespace korvane::test {

// Levels a fake parser gives the main image.
struct FakeImage {
    std::int32_t maximumValue = 4096;
    std::int32_t whiteLevel = 4095;
    std::uint16_t blackLevelMinimum = 0;
    std::uint8_t formatCode = 1;
    std::int32_t defaultExposureStep = 48;
    bool loads = true;
    // With a width and a height the loader fills an RGGB sample buffer from `sample`.
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::function<std::uint16_t(std::uint32_t row, std::uint32_t column)> sample;
};

// The headless main dialog, opened with a command line, with the file reading stages either
// the real ones or a fake that describes an image of known levels.
class DialogFixture : public ::testing::Test {
protected:
    void open(const std::string& commandLine = {}, LoadStages stages = LoadStages::standard()) {
        dlg = std::make_unique<CAnalyzerDlg>(services, commandLine, std::move(stages));
        window = std::make_unique<platform::headless::HeadlessDialog>(
            resources::mainDialogTemplate(), *dlg);
        driver = std::make_unique<platform::headless::HeadlessDriver>(*window, services);
        window->open();
    }

    // Stages whose parser succeeds with `image` and whose loader succeeds or fails.
    LoadStages fakeStages(FakeImage image) {
        LoadStages s;
        s.parse = [this, image](RawFileContext& ctx, Reporter&, const KeyState& keys,
                                const LoadStages::ShotInfo& shotInfo) -> Status {
            shotInfo("Fake camera\nISO 100?");
            ++parses;
            wHeldWhileParsing = keys.isKeyDown('W');
            ctx.formatCode = image.formatCode;
            ctx.mainTree = std::make_unique<IfdNode>();
            ctx.mainImage = ctx.mainTree.get();
            ctx.mainImage->maximumValue = image.maximumValue;
            ctx.mainImage->valueRange = image.maximumValue;
            ctx.mainImage->whiteLevel = image.whiteLevel;
            ctx.mainImage->defaultExposureStep = image.defaultExposureStep;
            ctx.channelLevels.fill(image.maximumValue - 1);
            return kOk;
        };
        s.load = [this, image](RawFileContext& ctx, Reporter& reporter, const KeyState&) -> Status {
            ++loads;
            if (!image.loads) {
                reporter.ShowMessage(MessageId::NotImplemented, "test coding");
                return kFailed;
            }
            IfdNode& node = *ctx.mainImage;
            node.blackLevelMinimum = image.blackLevelMinimum;
            if (image.width > 0 && image.height > 0) {
                node.imageWidth = node.width = image.width;
                node.imageLength = node.height = image.height;
                node.cfaRepeatRows = node.cfaRepeatCols = 2;
                node.cfaPatternCount = 4;
                node.cfaPattern = {};
                node.cfaPattern[1] = node.cfaPattern[2] = 1;
                node.cfaPattern[3] = 2;
                node.cfaPlaneColorCount = 3;
                node.cfaPlaneColors = {0, 1, 2, 0};
                node.samples.resize(std::size_t{image.width} * image.height);
                for (std::uint32_t r = 0; r < image.height; ++r)
                    for (std::uint32_t c = 0; c < image.width; ++c)
                        node.samples[std::size_t{r} * image.width + c] = image.sample(r, c);
            }
            return kOk;
        };
        return s;
    }

    std::string text(int id) const { return window->text(id); }
    int messageCount() const { return static_cast<int>(services.messages.size()); }
    int lastMessage() const {
        return services.messages.empty() ? -1 : services.messages.back().number;
    }

    void TearDown() override {
        if (dlg && window && !window->ended()) dlg->onDestroy();
    }

    platform::headless::HeadlessServices services;
    std::unique_ptr<CAnalyzerDlg> dlg;
    std::unique_ptr<platform::headless::HeadlessDialog> window;
    std::unique_ptr<platform::headless::HeadlessDriver> driver;
    int parses = 0;
    int loads = 0;
    bool wHeldWhileParsing = false;
};

} // namespace korvane::test
