#include "chm/Sitemap.h"

#include "chm/TextCodec.h"
#include "html/Entities.h"
#include "html/HtmlTags.h"

namespace qm::chm {

std::string SitemapEntry::name() const {
    for (const SitemapParam& p : params)
        if (p.name == "name")
            return p.value;
    return {};
}

std::string SitemapEntry::name(const std::string& charset) const {
    for (const SitemapParam& p : params)
        if (p.name == "name")
            return p.valueIn(charset);
    return {};
}

std::string SitemapParam::valueIn(const std::string& charset) const {
    return raw.empty() ? value : decodeEntities(raw, charset);
}

std::vector<std::string> SitemapEntry::locals() const {
    std::vector<std::string> out;
    for (const SitemapParam& p : params)
        if (p.name == "local")
            out.push_back(p.value);
    return out;
}

std::string Sitemap::property(std::string_view name) const {
    std::string key = asciiLower(name);
    for (const SitemapParam& p : properties)
        if (p.name == key)
            return p.value;
    return {};
}

Sitemap parseSitemap(std::string_view utf8) {
    enum class Object { None, Entry, Properties, Other };
    Sitemap map;
    html::TagReader tokens(utf8);
    int depth = 0;
    Object object = Object::None;
    SitemapEntry entry;
    while (tokens.next()) {
        const html::Tag& tag = tokens.tag();
        if (tag.name == "ul") {
            depth += tag.closing ? -1 : 1;
            if (depth < 0)
                depth = 0;
        } else if (tag.name == "object") {
            if (tag.closing) {
                if (object == Object::Entry)
                    map.entries.push_back(std::move(entry));
                object = Object::None;
                continue;
            }
            if (object == Object::Entry) // an unclosed entry ends where the next begins
                map.entries.push_back(std::move(entry));
            entry = SitemapEntry{};
            const html::Attribute* type = tag.attribute("type");
            std::string kind = type ? asciiLower(type->value) : std::string();
            if (kind == "text/sitemap") {
                object = Object::Entry;
                entry.depth = depth > 0 ? depth - 1 : 0;
            } else if (kind == "text/site properties") {
                object = Object::Properties;
            } else {
                object = Object::Other;
            }
        } else if (tag.name == "param" && !tag.closing) {
            const html::Attribute* name = tag.attribute("name");
            const html::Attribute* value = tag.attribute("value");
            if (!name)
                continue;
            SitemapParam param{asciiLower(name->value),
                               value ? html::decodeEntities(value->value) : std::string()};
            if (value && value->value.find('&') != std::string_view::npos)
                param.raw = std::string(value->value);
            if (object == Object::Entry)
                entry.params.push_back(std::move(param));
            else if (object == Object::Properties)
                map.properties.push_back(std::move(param));
        }
    }
    if (object == Object::Entry)
        map.entries.push_back(std::move(entry));
    return map;
}

} // namespace qm::chm
