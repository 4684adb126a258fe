#include "FileNameFields.h"

#include "html/Escape.h"
#include "text/Utf8Path.h"

#include <optional>

namespace qm {

DocumentFileName DocumentFileName::of(const std::filesystem::path& document) {
    std::error_code error;
    std::filesystem::path whole = std::filesystem::absolute(document, error);
    if (error)
        whole = document;
    whole = whole.lexically_normal().make_preferred();
    return {text::utf8Text(whole), text::utf8Text(whole.parent_path() / ""),
            text::utf8Text(whole.filename()), text::utf8Text(whole.stem())};
}

namespace {

// LibreOffice's formats of the field ("format=PATHNAME"); it writes NAME when none is
// given, as Word's field without a switch shows the name.
std::string shownText(const html::Tag& field, const DocumentFileName& document) {
    const html::Attribute* format = field.attribute("format");
    const std::string_view kind = format != nullptr ? format->value : "NAME";
    if (html::equalsLower(kind, "pathname"))
        return document.path;
    if (html::equalsLower(kind, "path"))
        return document.folder;
    if (html::equalsLower(kind, "name-noext"))
        return document.stem;
    return document.name;
}

} // namespace

std::vector<html::Edit> fileNameFieldEdits(std::string_view text,
                                           const DocumentFileName& document) {
    std::vector<html::Edit> edits;
    if (document.name.empty())
        return edits;
    std::optional<html::Tag> open; // the field whose text is being passed
    html::forEachTag(text, [&](const html::Tag& tag) {
        if (!tag.is("sdfield"))
            return true;
        if (open && tag.closing)
            edits.push_back(
                {open->end, tag.offset - open->end, html::escape(shownText(*open, document))});
        open.reset();
        const html::Attribute* type = tag.attribute("type");
        if (!tag.closing && type != nullptr && html::equalsLower(type->value, "filename") &&
            tag.attribute("sdfixed") == nullptr)
            open = tag;
        return true;
    });
    return edits;
}

} // namespace qm
