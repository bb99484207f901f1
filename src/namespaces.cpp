// The namespaces in scope during the parse.

#include "namespaces.h"

#include <cstring>

#include "scan.h"

namespace quillen {
namespace {

// The prefix of NAME, before its ':'; empty for none.
std::string_view prefixOf(const char* name) {
    const char* colon = std::strchr(name, ':');
    return colon != nullptr ? std::string_view(name, static_cast<std::size_t>(colon - name))
                            : std::string_view();
}

// Whether the attribute NAME declares a namespace ("xmlns", or "xmlns:" and
// a prefix); PREFIX is then the prefix it binds, empty for the default.
bool declaresNamespace(const char* name, std::string_view& prefix) {
    if (name[0] != 'x' || std::strncmp(name, "xmlns", 5) != 0 || (name[5] != '\0' && name[5] != ':')) {
        return false;
    }
    prefix = name[5] == ':' ? std::string_view(name + 6) : std::string_view();
    return true;
}

}  // namespace

bool Namespaces::xhtmlByDoctype(const tinyxml2::XMLElement& element) const {
    // HTML reads names in any case.
    return htmlIsXhtml_ && equalsAnyCase(element.Name(), "html");
}

// The binding to the namespace VALUE, as written.
Namespaces::Binding Namespaces::bindingTo(const char* value) {
    if (referencesKept_ && std::strchr(value, '&') != nullptr) {
        decoded_.push_back(decodeReferences(value));
        value = decoded_.back().c_str();
    }
    const Vocabulary* vocabulary = vocabularyOfNamespace(value);
    seenAny_ = seenAny_ || vocabulary != nullptr;
    seenXhtml_ = seenXhtml_ || vocabulary == &xhtml;
    return {value, vocabulary};
}

Namespaces::Binding Namespaces::declaredOn(const tinyxml2::XMLElement& element,
                                           std::string_view prefix) const {
    for (const tinyxml2::XMLAttribute* attribute = element.FirstAttribute(); attribute != nullptr;
         attribute = attribute->Next()) {
        std::string_view declared;
        if (declaresNamespace(attribute->Name(), declared) && declared == prefix) {
            const char* value = attribute->Value();
            if (referencesKept_ && std::strchr(value, '&') != nullptr) {
                // Looked up again once entered; until then, by what it names.
                return {value, vocabularyOfNamespace(decodeReferences(value).c_str())};
            }
            return {value, vocabularyOfNamespace(value)};
        }
    }
    if (prefix.empty() && xhtmlByDoctype(element)) {
        return {xhtmlNamespace.data(), &xhtml};
    }
    return {nullptr, nullptr};
}

bool Namespaces::declaresAny(const tinyxml2::XMLElement& element) {
    for (const tinyxml2::XMLAttribute* attribute = element.FirstAttribute(); attribute != nullptr;
         attribute = attribute->Next()) {
        std::string_view prefix;
        if (declaresNamespace(attribute->Name(), prefix)) {
            return true;
        }
    }
    return false;
}

void Namespaces::enter(const tinyxml2::XMLElement& element) {
    levels_.push_back(declared_.size());
    bool declaresDefault = false;
    for (const tinyxml2::XMLAttribute* attribute = element.FirstAttribute(); attribute != nullptr;
         attribute = attribute->Next()) {
        std::string_view prefix;
        if (declaresNamespace(attribute->Name(), prefix)) {
            bindings_[prefix].push_back(bindingTo(attribute->Value()));
            declared_.push_back(prefix);
            declaresDefault = declaresDefault || prefix.empty();
        }
    }
    if (!declaresDefault && xhtmlByDoctype(element)) {
        bindings_[{}].push_back({xhtmlNamespace.data(), &xhtml});
        declared_.emplace_back();
        seenAny_ = seenXhtml_ = true;
    }
}

void Namespaces::leave() {
    for (std::size_t count = declared_.size() - levels_.back(); count > 0; --count) {
        bindings_[declared_.back()].pop_back();
        declared_.pop_back();
    }
    levels_.pop_back();
}

Namespaces::Binding Namespaces::bindingOf(const tinyxml2::XMLElement& element) const {
    const std::string_view prefix = prefixOf(element.Name());
    const Binding own = declaredOn(element, prefix);
    if (own.uri != nullptr) {
        return own;
    }
    const auto bound = bindings_.find(prefix);
    return bound != bindings_.end() && !bound->second.empty() ? bound->second.back()
                                                              : Binding{nullptr, nullptr};
}

}  // namespace quillen
