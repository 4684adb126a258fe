#include "split/BodyExtractor.h"

#include "split/StreamSearch.h"
#include "text/NumberDateText.h"
#include "text/OutputFile.h"

#include <algorithm>
#include <string>

namespace qm {
namespace {

struct Slice {
    std::int64_t start = -1;
    std::int64_t end = -1;
    bool sound() const { return start >= 0 && end >= start; }
};

// Finds the start tag and moves past its end; false when absent or unterminated.
bool findStartTag(std::string_view name, ReadStream& stream) {
    if (findTag(name, stream, Origin::Current, 0) < 0)
        return false;
    return skipToStartTagEnd(stream, lastDelimiterWasClose(stream));
}

Slice findSlice(ReadStream& stream) {
    Slice slice;
    if (!findStartTag("<body", stream))
        return slice;
    slice.start = stream.position();
    std::int64_t divTag = findSectionDiv(stream, slice.start);
    if (divTag >= 0) {
        // A div whose start tag never ends gives no sound slice: the whole file is read.
        if (!skipToStartTagEnd(stream, lastDelimiterWasClose(stream)))
            return {};
        slice.start = stream.position();
        slice.end = searchStream("</div>", stream, Origin::End, 0, true);
    } else {
        slice.end = searchStream("</body>", stream, Origin::End, 0, true);
    }
    // A closing tag missing, or lying before the slice start, leaves no sound end.
    if (slice.end < slice.start)
        return {};
    return slice;
}

} // namespace

std::filesystem::path bodyWorkingFilePath(const std::filesystem::path& intermediateHtml,
                                          double dateTime) {
    std::filesystem::path path = intermediateHtml;
    path += ".tmp" + numdate::formatGeneral(dateTime);
    return path;
}

bool extractBody(std::unique_ptr<ReadStream>& workStream,
                 const std::filesystem::path& intermediateHtml, std::filesystem::path& workFileName,
                 bool generating, const std::filesystem::path& workingFileRoot) {
    if (workStream) {
        workStream->seek(0, Origin::Beginning);
    } else {
        if (intermediateHtml.empty())
            return false;
        workStream = std::make_unique<ReadStream>(intermediateHtml);
    }

    Slice slice = findSlice(*workStream);
    if (!slice.sound()) {
        workStream->seek(0, Origin::Beginning);
        return generating;
    }

    std::filesystem::path bodyFile = bodyWorkingFilePath(
        workingFileRoot.empty() ? intermediateHtml : workingFileRoot, numdate::now());
    {
        OutputFile out(bodyFile);
        workStream->seek(slice.start, Origin::Beginning);
        std::int64_t left = slice.end - slice.start;
        std::string chunk;
        while (left > 0) {
            chunk.clear();
            std::int64_t got = workStream->read(chunk, std::min<std::int64_t>(left, 1 << 20));
            if (got <= 0)
                break;
            out.write(chunk);
            left -= got;
        }
        out.commit();
    }
    workFileName = bodyFile;
    workStream = std::make_unique<ReadStream>(bodyFile);
    return generating;
}

} // namespace qm
