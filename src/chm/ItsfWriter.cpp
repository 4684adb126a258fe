#include "chm/ItsfWriter.h"

#include "Bytes.h"
#include "chm/Directory.h"
#include "chm/LzxConstants.h"

#include <set>

namespace qm::chm {
namespace {

constexpr std::uint32_t kHeaderSize = 0x60;
constexpr std::uint32_t kHeaderSection0Size = 0x18;

// {7C01FD10-7BAA-11D0-9E0C-00A0C922E6EC} and {7C01FD11-7BAA-11D0-9E0C-00A0C922E6EC}
constexpr unsigned char kItsfGuids[32] = {
    0x10, 0xFD, 0x01, 0x7C, 0xAA, 0x7B, 0xD0, 0x11, 0x9E, 0x0C, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC,
    0x11, 0xFD, 0x01, 0x7C, 0xAA, 0x7B, 0xD0, 0x11, 0x9E, 0x0C, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC};

constexpr std::string_view kTransformGuid = "{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}";
const std::string kStorage = "::DataSpace/Storage/MSCompressed/";
const std::string kInstanceData =
    kStorage + "Transform/{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}/InstanceData/";

std::string utf16(std::string_view ascii) {
    std::string out;
    for (char c : ascii)
        bytes::putU16(out, static_cast<unsigned char>(c));
    return out;
}

std::string nameList() {
    std::string out;
    bytes::putU16(out, 0); // length in 16-bit words, set below
    bytes::putU16(out, 2);
    for (std::string_view name :
         {std::string_view("Uncompressed"), std::string_view("MSCompressed")}) {
        bytes::putU16(out, static_cast<std::uint32_t>(name.size()));
        out += utf16(name);
        bytes::putU16(out, 0);
    }
    out[0] = static_cast<char>(out.size() / 2);
    return out;
}

std::string controlData() {
    std::string out;
    bytes::putU32(out, 6); // DWORDs that follow
    out += "LZXC";
    bytes::putU32(out, 2); // version: sizes in units of 32 KiB
    bytes::putU32(out, static_cast<std::uint32_t>(lzx::kResetInterval / lzx::kFrameSize));
    bytes::putU32(out, static_cast<std::uint32_t>(lzx::kWindowSize / lzx::kFrameSize));
    bytes::putU32(out, 1); // windows per reset (chmlib multiplies by it)
    bytes::putU32(out, 0);
    return out;
}

std::string resetTable(const LzxEncoder& encoder) {
    std::string out;
    bytes::putU32(out, 2);
    bytes::putU32(out, static_cast<std::uint32_t>(encoder.frameOffsets().size()));
    bytes::putU32(out, 8);    // entry size
    bytes::putU32(out, 0x28); // header size
    bytes::putU64(out, encoder.inputSize());
    bytes::putU64(out, encoder.outputSize());
    bytes::putU64(out, lzx::kFrameSize);
    for (std::uint64_t offset : encoder.frameOffsets())
        bytes::putU64(out, offset);
    return out;
}

} // namespace

ItsfWriter::ItsfWriter(const LzxOptions& compression) : encoder_(section1_, compression) {}

void ItsfWriter::addUncompressed(std::string name, std::string data) {
    section0_.emplace_back(std::move(name), std::move(data));
}

void ItsfWriter::addCompressed(std::string name, std::string_view data) {
    compressed_.push_back({std::move(name), encoder_.inputSize(), data.size()});
    encoder_.append(data);
}

void ItsfWriter::writeCompressed(std::string name, const std::function<void(ByteSink&)>& write) {
    struct ToEncoder : ByteSink {
        explicit ToEncoder(LzxEncoder& target) : encoder(target) {}
        void write(std::string_view bytes) override { encoder.append(bytes); }
        LzxEncoder& encoder;
    } sink(encoder_);
    const std::uint64_t offset = encoder_.inputSize();
    write(sink);
    compressed_.push_back({std::move(name), offset, encoder_.inputSize() - offset});
}

void ItsfWriter::write(ByteSink& sink, const ItsfOptions& options) {
    encoder_.finish();
    const std::uint64_t uncompressed = encoder_.inputSize();
    const std::uint64_t compressed = encoder_.outputSize();

    // Content section 0 in HTML Help Workshop's order: the data space files first, the
    // caller's uncompressed files, the compressed content last.
    std::vector<std::pair<std::string, std::string>> files;
    files.emplace_back("::DataSpace/NameList", nameList());
    // HTML Help Workshop stores the transform list cut to 38 bytes; readers accept it.
    files.emplace_back(kStorage + "Transform/List", utf16(kTransformGuid).substr(0, 38));
    std::string span;
    bytes::putU64(span, uncompressed);
    files.emplace_back(kStorage + "SpanInfo", span);
    files.emplace_back(kStorage + "ControlData", controlData());
    files.emplace_back(kInstanceData + "ResetTable", resetTable(encoder_));
    for (auto& f : section0_)
        files.push_back(std::move(f));
    section0_.clear();

    std::vector<DirectoryEntry> entries;
    std::set<std::string> folders{"/"};
    auto addFolders = [&](const std::string& name) {
        if (name.empty() || name[0] != '/')
            return;
        for (std::size_t slash = name.find('/', 1); slash != std::string::npos;
             slash = name.find('/', slash + 1))
            folders.insert(name.substr(0, slash + 1));
    };
    std::uint64_t offset = 0;
    for (const auto& [name, data] : files) {
        entries.push_back({name, 0, data.empty() ? 0 : offset, data.size()});
        offset += data.size();
        addFolders(name);
    }
    entries.push_back({kStorage + "Content", 0, offset, compressed});
    const std::uint64_t section0Size = offset + compressed;
    for (const Stored& s : compressed_) {
        entries.push_back(
            {s.name, s.length == 0 ? 0u : 1u, s.length == 0 ? 0 : s.offset, s.length});
        addFolders(s.name);
    }
    for (const std::string& folder : folders)
        entries.push_back({folder, 0, 0, 0});
    entries.push_back({kInstanceData, 0, 0, 0});
    std::string directory = buildDirectory(std::move(entries));

    const std::uint64_t directoryOffset = kHeaderSize + kHeaderSection0Size;
    const std::uint64_t section0Offset = directoryOffset + directory.size();
    const std::uint64_t fileSize = section0Offset + section0Size;

    std::string head = "ITSF";
    bytes::putU32(head, 3);
    bytes::putU32(head, kHeaderSize);
    bytes::putU32(head, 1);
    bytes::putU32BigEndian(head, options.timestamp);
    bytes::putU32(head, options.lcid);
    head.append(reinterpret_cast<const char*>(kItsfGuids), sizeof kItsfGuids);
    bytes::putU64(head, kHeaderSize);
    bytes::putU64(head, kHeaderSection0Size);
    bytes::putU64(head, directoryOffset);
    bytes::putU64(head, directory.size());
    bytes::putU64(head, section0Offset);
    bytes::putU32(head, 0x01FE); // header section 0
    bytes::putU32(head, 0);
    bytes::putU64(head, fileSize);
    bytes::putU32(head, 0);
    bytes::putU32(head, 0);

    sink.write(head);
    sink.write(directory);
    for (const auto& f : files)
        sink.write(f.second);
    section1_.copyTo(sink);
}

} // namespace qm::chm
