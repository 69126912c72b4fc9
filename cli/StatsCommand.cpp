#include "cli/StatsCommand.hpp"

#include <charconv>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/FileSession.hpp"

namespace korvane::cli {

namespace {

using json = nlohmann::ordered_json;

// "L,T,W,H": four decimal numbers, the width and height above 0.
std::optional<SampleRect> parseRect(const std::string& text) {
    std::uint32_t v[4] = {};
    const char* p = text.data();
    const char* end = text.data() + text.size();
    for (int i = 0; i < 4; ++i) {
        const auto [next, error] = std::from_chars(p, end, v[i]);
        if (error != std::errc() || next == p) return std::nullopt;
        p = next;
        if (i < 3) {
            if (p == end || *p != ',') return std::nullopt;
            ++p;
        }
    }
    if (p != end || v[2] == 0 || v[3] == 0) return std::nullopt;
    return SampleRect{v[1], v[0], v[3], v[2]};
}

std::string rectText(const SampleRect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.width) +
           "," + std::to_string(r.height);
}

// The message on one line, for the text and CSV forms.
std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return text;
}

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\n\r") == std::string::npos) return text;
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + '"';
}

std::string decimal(double x) {
    char text[64];
    std::snprintf(text, sizeof text, "%.4f", x);
    return text;
}

json channelJson(const ChannelFigures& f) {
    const bool any = f.count != 0;
    json j;
    j["count"] = f.count;
    j["min"] = any ? json(f.minimum) : json(nullptr);
    j["max"] = any ? json(f.maximum) : json(nullptr);
    j["mean"] = any ? json(f.mean()) : json(nullptr);
    j["stddev"] = any ? json(f.standardDeviation()) : json(nullptr);
    j["atWhite"] = f.atWhite;
    j["atBlack"] = f.atBlack;
    return j;
}

json recordJson(const StatsRecord& r) {
    json j{{"file", r.file}};
    j["rect"] =
        r.rect ? json{r.rect->left, r.rect->top, r.rect->width, r.rect->height} : json(nullptr);
    j["black"] = r.black ? json(*r.black) : json(nullptr);
    j["white"] = r.white ? json(*r.white) : json(nullptr);
    if (r.statistics) {
        json channels = json::object();
        for (std::size_t c = 0; c < kChannelNames.size(); ++c)
            channels[kChannelNames[c]] = channelJson(r.statistics->channels[c]);
        j["channels"] = channels;
        j["message"] = nullptr;
    } else {
        j["message"] = r.message;
    }
    return j;
}

void writeCsv(std::ostream& out, const std::vector<StatsRecord>& records) {
    out << "file,left,top,width,height,black,white,channel,count,min,max,mean,stddev,atWhite,"
           "atBlack,message\n";
    for (const StatsRecord& r : records) {
        std::string head = csvField(r.file) + ",";
        head += r.rect ? std::to_string(r.rect->left) + "," + std::to_string(r.rect->top) + "," +
                             std::to_string(r.rect->width) + "," + std::to_string(r.rect->height)
                       : std::string(",,,");
        head += "," + (r.black ? std::to_string(*r.black) : "") + "," +
                (r.white ? std::to_string(*r.white) : "");
        if (!r.statistics) {
            out << head << ",,,,,,,,," << csvField(oneLine(r.message)) << '\n';
            continue;
        }
        for (std::size_t c = 0; c < kChannelNames.size(); ++c) {
            const ChannelFigures& f = r.statistics->channels[c];
            out << head << ',' << kChannelNames[c] << ',' << f.count << ',';
            if (f.count != 0)
                out << f.minimum << ',' << f.maximum << ',' << decimal(f.mean()) << ','
                    << decimal(f.standardDeviation());
            else
                out << ",,,";
            out << ',' << f.atWhite << ',' << f.atBlack << ",\n";
        }
    }
}

void writeText(std::ostream& out, const std::vector<StatsRecord>& records) {
    for (const StatsRecord& r : records) {
        if (!r.statistics) {
            out << r.file << ": failed: " << oneLine(r.message) << "\n";
            continue;
        }
        out << r.file << ": rect " << rectText(*r.rect) << ", black " << *r.black << ", white "
            << *r.white << '\n';
        char line[160];
        std::snprintf(line, sizeof line, "  %-7s %10s %6s %6s %12s %12s %10s %10s\n", "channel",
                      "count", "min", "max", "mean", "stddev", "atWhite", "atBlack");
        out << line;
        for (std::size_t c = 0; c < kChannelNames.size(); ++c) {
            const ChannelFigures& f = r.statistics->channels[c];
            const bool any = f.count != 0;
            std::snprintf(line, sizeof line, "  %-7s %10llu %6s %6s %12s %12s %10llu %10llu\n",
                          kChannelNames[c], static_cast<unsigned long long>(f.count),
                          any ? std::to_string(f.minimum).c_str() : "-",
                          any ? std::to_string(f.maximum).c_str() : "-",
                          any ? decimal(f.mean()).c_str() : "-",
                          any ? decimal(f.standardDeviation()).c_str() : "-",
                          static_cast<unsigned long long>(f.atWhite),
                          static_cast<unsigned long long>(f.atBlack));
            out << line;
        }
    }
}

} // namespace

StatsRecord measureFile(const std::string& path, const std::optional<SampleRect>& rect) {
    StatsRecord record;
    record.file = path;
    record.rect = rect;
    const auto session = openFileSession(path, true);
    const ImageDescriptor* image = session->context.mainImage;
    if (failed(session->status) || image == nullptr ||
        image->samples.size() < std::size_t{image->imageWidth} * image->imageLength) {
        const auto& messages = session->reporter.messages();
        record.message =
            messages.empty() ? "the file could not be processed" : messages.back().text;
        return record;
    }
    // The levels the display starts from: the black point Process sets, the white level.
    record.black = image->blackLevelMinimum;
    record.white = static_cast<std::uint32_t>(std::max(image->whiteLevel, 0));
    const SampleRect active = image->activeRect();
    const SampleRect area = rect.value_or(SampleRect{0, 0, active.height, active.width});
    record.rect = area;
    if (area.left + std::uint64_t{area.width} > active.width ||
        area.top + std::uint64_t{area.height} > active.height || area.width == 0 ||
        area.height == 0) {
        record.message = "the rectangle " + rectText(area) + " is not inside the active area of " +
                         std::to_string(active.width) + " x " + std::to_string(active.height) +
                         " samples";
        std::cerr << "korvane-cli: " << path << ": " << record.message << '\n';
        return record;
    }
    record.statistics = MeasureArea(*image, area, *record.black, *record.white);
    return record;
}

void writeStats(std::ostream& out, const std::vector<StatsRecord>& records, StatsFormat format) {
    switch (format) {
    case StatsFormat::Json: {
        json all = json::array();
        for (const StatsRecord& r : records)
            all.push_back(recordJson(r));
        out << all.dump(2) << '\n';
        return;
    }
    case StatsFormat::Csv:
        writeCsv(out, records);
        return;
    case StatsFormat::Text:
        writeText(out, records);
        return;
    }
}

namespace {

struct StatsArgs {
    std::vector<std::string> files;
    std::optional<SampleRect> rect;
    bool json = false;
    bool csv = false;
};

int measureFiles(const StatsArgs& args) {
    std::vector<StatsRecord> records;
    records.reserve(args.files.size());
    bool anyFailed = false;
    for (const std::string& file : args.files) {
        records.push_back(measureFile(file, args.rect));
        anyFailed |= !records.back().statistics.has_value();
    }
    writeStats(std::cout, records,
               args.json  ? StatsFormat::Json
               : args.csv ? StatsFormat::Csv
                          : StatsFormat::Text);
    return anyFailed ? 2 : 0;
}

} // namespace

CommandRun declareStats(CLI::App& command) {
    auto args = std::make_shared<StatsArgs>();
    command.add_option("FILE", args->files, "the raw files, one record each")
        ->required()
        ->type_name("");
    command
        .add_option_function<std::string>(
            "--rect",
            [args](const std::string& text) {
                args->rect = parseRect(text);
                if (!args->rect)
                    refuseValue("--rect", "L,T,W,H, the width and height above 0", text);
            },
            "a rectangle of the active area: left, top, width, height\n(0,0 its top-left sample)")
        ->type_name("L,T,W,H");
    CLI::Option* json =
        command.add_flag("--json", args->json, "one JSON array, an object per file");
    CLI::Option* csv =
        command.add_flag("--csv", args->csv, "a header line, then a row per file and channel");
    // Each form is asked for once, and one of them only.
    json->multi_option_policy(CLI::MultiOptionPolicy::Throw)->excludes(csv);
    csv->multi_option_policy(CLI::MultiOptionPolicy::Throw);
    describe(command,
             "One record per file, in the order given; a file that fails keeps its record, with\n"
             "the message that stopped it, and the others are still measured. The levels are\n"
             "the black point the display starts from and the image's white level.");
    command.footer(
        "Exit status: 0 success, 1 usage, 2 any file could not be processed (it still has its\n"
        "record, with the message).");
    return [args] { return measureFiles(*args); };
}

} // namespace korvane::cli
