#include "word/ConverterChoice.h"

#include "text/Gbk.h"
#include "word/LibreOfficeConverter.h"
#include "word/WordConverter.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

namespace qm {
namespace {

// Neither Word nor LibreOffice: every Word document fails with what to do instead.
class NoWordConverter : public DocumentConverter {
public:
    bool convert(const std::filesystem::path&, const std::filesystem::path&, bool) override {
        return false;
    }
    std::string failureReason() const override {
        return gbk::fromUtf8(
            "这台电脑上没有安装Word，也没有找到LibreOffice：在Windows上转换Word文档"
            "需要其中之一。也可以在Word中把文档另存为网页（HTML），再打开那个网页文件。");
    }
};

std::chrono::milliseconds wordTimeLimit() {
    const char* text = std::getenv("QUILLMARK_WORD_SECONDS");
    long seconds = 0;
    if (text != nullptr) {
        auto [end, error] = std::from_chars(text, text + std::strlen(text), seconds);
        if (error == std::errc() && *end == '\0' && seconds > 0)
            return std::chrono::seconds(seconds);
    }
    return WordConverter::kDefaultTimeLimit;
}

} // namespace

std::unique_ptr<DocumentConverter> makeDocumentConverter() {
    if (WordConverter::available())
        return std::make_unique<WordConverter>(wordTimeLimit());
    auto office = std::make_unique<LibreOfficeConverter>();
    if (office->available())
        return office;
    return std::make_unique<NoWordConverter>();
}

} // namespace qm
