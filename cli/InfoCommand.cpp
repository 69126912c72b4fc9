#include "cli/InfoCommand.hpp"

#include <cstdio>
#include <cstring>
#include <iostream>

#include "common/CameraDescription.hpp"
#include "common/EntryValues.hpp"
#include "container/ParseContainer.hpp"

namespace korvane::cli {

namespace {

using nlohmann::json;

constexpr const char* kTypeNames[] = {"?",         "BYTE",  "ASCII",     "SHORT",  "LONG",
                                      "RATIONAL",  "SBYTE", "UNDEFINED", "SSHORT", "SLONG",
                                      "SRATIONAL", "FLOAT", "DOUBLE",    "IFD"};
constexpr std::uint32_t kValuesShown = 8;

const char* kindName(IfdKind kind) {
    switch (kind) {
    case IfdKind::FirstIfd:
        return "first IFD";
    case IfdKind::FullResolution:
        return "full-resolution image";
    case IfdKind::NextIfd:
        return "next IFD";
    case IfdKind::SubIfd:
        return "SubIFD";
    case IfdKind::ExifIfd:
        return "Exif IFD";
    case IfdKind::MakerNote:
        return "maker note IFD";
    case IfdKind::OlympusSubIfd:
        return "Olympus maker note sub-IFD";
    case IfdKind::GpsIfd:
        return "GPS IFD";
    case IfdKind::GlobalIfd:
        return "Global parameters IFD";
    case IfdKind::ReducedResolution:
        return "reduced-resolution image";
    case IfdKind::TransparencyMask:
        return "transparency mask";
    case IfdKind::OtherSubfile:
        return "other subfile";
    }
    return "?";
}

// The entry's value, or its first values, as text.
std::string valueText(const IfdNode& node, const IfdEntry& e) {
    const std::uint8_t* data = node.valueData(e);
    if (data == nullptr)
        return "(" + std::to_string(e.count) + " values in the file at " +
               std::to_string(e.valueOffset) + ")";
    if (e.type == tiff_type::kAscii) return "\"" + entryText(node, e) + "\"";
    std::string out;
    const std::uint32_t shown = std::min(e.count, kValuesShown);
    for (std::uint32_t i = 0; i < shown; ++i) {
        if (i != 0) out += ' ';
        char text[48];
        switch (e.type) {
        case tiff_type::kRational:
        case tiff_type::kSRational: {
            const Rational r = entryRational(node, e, i);
            std::snprintf(text, sizeof text, "%lld/%lld", static_cast<long long>(r.numerator),
                          static_cast<long long>(r.denominator));
            break;
        }
        case tiff_type::kUndefined:
        case tiff_type::kByte:
            std::snprintf(text, sizeof text, "%02x", data[i]);
            break;
        case tiff_type::kSByte:
        case tiff_type::kSShort:
        case tiff_type::kSLong:
            std::snprintf(text, sizeof text, "%d",
                          static_cast<int>(static_cast<std::int32_t>(entryValue(node, e, i))));
            break;
        case tiff_type::kFloat: {
            float f;
            std::memcpy(&f, data + 4 * static_cast<std::size_t>(i), 4);
            std::snprintf(text, sizeof text, "%g", static_cast<double>(f));
            break;
        }
        case tiff_type::kDouble: {
            double d;
            std::memcpy(&d, data + 8 * static_cast<std::size_t>(i), 8);
            std::snprintf(text, sizeof text, "%g", d);
            break;
        }
        default:
            std::snprintf(text, sizeof text, "%u", entryValue(node, e, i));
            break;
        }
        out += text;
    }
    if (e.count > shown) out += " ...";
    return out;
}

json describeEntry(const IfdNode& node, const IfdEntry& e) {
    json j;
    j["tag"] = e.tag;
    j["name"] = e.definition != nullptr ? std::string(e.definition->name) : std::string();
    j["type"] = e.type <= 13 ? kTypeNames[e.type] : std::to_string(e.type);
    j["count"] = e.count;
    if (e.valid())
        j["value"] = valueText(node, e);
    else
        j["invalid"] = true;
    return j;
}

json describeNode(const IfdNode& node) {
    json j;
    j["label"] = node.label;
    j["kind"] = kindName(node.kind);
    j["offset"] = node.directoryOffset;
    if (node.inconsistent()) j["inconsistent"] = true;
    j["entries"] = json::array();
    for (const auto& e : node.entries)
        j["entries"].push_back(describeEntry(node, e));
    json children = json::array();
    for (const IfdNode* child : {node.global.get(), node.exif.get(), node.gps.get()})
        if (child != nullptr) children.push_back(describeNode(*child));
    for (const auto& sub : node.subIfds)
        if (sub) children.push_back(describeNode(*sub));
    for (const auto& sub : node.olympusSubIfds)
        if (sub) children.push_back(describeNode(*sub));
    if (!children.empty()) j["children"] = children;
    return j;
}

// A chain of directories linked by their next-IFD offsets, as a list.
json describeChain(const IfdNode* node) {
    json chain = json::array();
    for (; node != nullptr; node = node->next.get())
        chain.push_back(describeNode(*node));
    return chain;
}

std::string cfaText(const IfdNode& image) {
    static constexpr char kColours[] = "RGBCMYW";
    std::string out;
    for (int i = 0; i < image.cfaPatternCount; ++i) {
        const std::uint8_t c = image.cfaPattern[static_cast<std::size_t>(i)];
        out += c < 7 ? kColours[c] : '?';
    }
    return out;
}

json area(std::uint32_t left, std::uint32_t top, std::uint32_t width, std::uint32_t height) {
    return json{{"left", left}, {"top", top}, {"width", width}, {"height", height}};
}

json describeImage(const IfdNode& image) {
    json j;
    j["directory"] = image.label;
    j["imageWidth"] = image.imageWidth;
    j["imageLength"] = image.imageLength;
    j["width"] = image.width;
    j["height"] = image.height;
    j["activeArea"] =
        area(image.activeLeft, image.activeTop, image.activeWidth, image.activeHeight);
    static constexpr const char* kSides[] = {"top", "left", "bottom", "right"};
    json masked = json::object();
    for (std::size_t i = 0; i < 4; ++i) {
        const SensorArea& a = image.maskedAreas[i];
        if (!a.empty()) masked[kSides[i]] = area(a.left, a.top, a.width, a.height);
    }
    j["maskedAreas"] = masked;
    j["cfaPattern"] = {{"rows", image.cfaRepeatRows},
                       {"columns", image.cfaRepeatCols},
                       {"colours", cfaText(image)}};
    j["bitsPerSample"] = image.bitsPerSample;
    j["compression"] = image.compression;
    j["decodingVariant"] = image.decodingVariant;
    j["layout"] = (image.layout & node_layout::kTiles) != 0    ? "tiles"
                  : (image.layout & node_layout::kStrips) != 0 ? "strips"
                                                               : "none";
    // The level the analyser's display takes, as Process sets it.
    j["whiteLevel"] = displayedWhiteLevel(image);
    j["maximumValue"] = image.maximumValue;
    j["blackLevel"] = image.blackLevel;
    if (!image.blackLevelArray.empty()) j["blackLevelArray"] = image.blackLevelArray;
    if (image.linearizationTable != nullptr)
        j["linearizationTableEntries"] = image.linearizationTable->count;
    return j;
}

void writeNodeText(const json& node, std::ostream& out, int depth) {
    const std::string indent(static_cast<std::size_t>(2 * depth), ' ');
    out << indent << node["label"].get<std::string>() << " (" << node["kind"].get<std::string>()
        << ", offset " << node["offset"] << ", " << node["entries"].size() << " entries)"
        << (node.contains("inconsistent") ? " inconsistent" : "") << '\n';
    for (const auto& e : node["entries"]) {
        out << indent << "  " << e["tag"] << ' '
            << (e["name"].get<std::string>().empty() ? "?" : e["name"].get<std::string>()) << ' '
            << e["type"].get<std::string>() << '[' << e["count"] << "] ";
        if (e.contains("invalid"))
            out << "invalid";
        else
            out << e["value"].get<std::string>();
        out << '\n';
    }
    if (node.contains("children"))
        for (const auto& child : node["children"])
            writeNodeText(child, out, depth + 1);
}

} // namespace

json describeFile(const FileSession& session) {
    const RawFileContext& ctx = session.context;
    json info;
    info["file"] = ctx.path;
    info["directories"] = describeChain(ctx.mainTree.get());
    info["makerNote"] = describeChain(ctx.makerNoteTree.get());
    if (ctx.camera != nullptr) {
        info["camera"] = {{"make", std::string(ctx.camera->make)},
                          {"model", std::string(ctx.camera->model)},
                          {"vendor", ctx.camera->vendor},
                          {"modelCode", ctx.camera->modelCode},
                          {"formatCode", ctx.camera->formatCode}};
    }
    info["formatCode"] = ctx.formatCode;
    if (ctx.mainImage != nullptr) info["mainImage"] = describeImage(*ctx.mainImage);
    info["shotInfo"] = session.shotInfo;
    info["messages"] = json::array();
    for (const auto& m : session.reporter.messages())
        info["messages"].push_back(
            {{"number", m.number}, {"caption", m.caption}, {"text", m.text}});
    info["processed"] = succeeded(session.status);
    return info;
}

void writeInfoText(const json& info, std::ostream& out) {
    out << "File: " << info["file"].get<std::string>() << '\n';
    out << "Directories:\n";
    for (const auto& node : info["directories"])
        writeNodeText(node, out, 1);
    if (!info["makerNote"].empty()) {
        out << "Maker note:\n";
        for (const auto& node : info["makerNote"])
            writeNodeText(node, out, 1);
    }
    if (info.contains("camera")) {
        const auto& c = info["camera"];
        out << "Camera row: \"" << c["make"].get<std::string>() << "\" \""
            << c["model"].get<std::string>() << "\" (vendor " << c["vendor"] << ", model code "
            << c["modelCode"] << ", format " << c["formatCode"] << ")\n";
    }
    if (info.contains("mainImage")) {
        const auto& m = info["mainImage"];
        out << "Main image: " << m["directory"].get<std::string>() << '\n';
        out << "  size " << m["width"] << " x " << m["height"] << " (image " << m["imageWidth"]
            << " x " << m["imageLength"] << "), " << m["layout"].get<std::string>() << '\n';
        const auto& a = m["activeArea"];
        out << "  active area left " << a["left"] << ", top " << a["top"] << ", " << a["width"]
            << " x " << a["height"] << '\n';
        for (const auto& [side, r] : m["maskedAreas"].items())
            out << "  masked " << side << ": left " << r["left"] << ", top " << r["top"] << ", "
                << r["width"] << " x " << r["height"] << '\n';
        out << "  CFA " << m["cfaPattern"]["rows"] << "x" << m["cfaPattern"]["columns"] << " "
            << m["cfaPattern"]["colours"].get<std::string>() << ", " << m["bitsPerSample"]
            << " bits, compression " << m["compression"] << ", decoding variant "
            << m["decodingVariant"] << '\n';
        out << "  white level " << m["whiteLevel"] << ", maximum value " << m["maximumValue"]
            << ", black level " << m["blackLevel"] << '\n';
    }
    out << "Shot: " << info["shotInfo"].get<std::string>() << '\n';
    for (const auto& m : info["messages"])
        out << "Message " << m["number"] << ": " << m["caption"].get<std::string>() << ": "
            << m["text"].get<std::string>() << '\n';
}

CommandRun declareInfo(CLI::App& command) {
    struct Arguments {
        std::string path;
        bool json = false;
    };
    auto args = std::make_shared<Arguments>();
    command.add_option("FILE", args->path, "the raw file; it is parsed, not decoded")
        ->required()
        ->type_name("");
    command.add_flag("--json", args->json, "one JSON document instead of indented text");
    command.footer(
        "Exit status: 0 success, 1 usage, 2 the file could not be processed (the text is\n"
        "still printed, with the messages).");
    return [args] {
        const auto session = openFileSession(args->path, false);
        const json info = describeFile(*session);
        if (args->json)
            std::cout << info.dump(2) << '\n';
        else
            writeInfoText(info, std::cout);
        return succeeded(session->status) ? 0 : 2;
    };
}

} // namespace korvane::cli
