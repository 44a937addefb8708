#include "core/svtagsaccessor.h"

#include <icvar.h>
#include <tier1/convar.h>

#include <cstring>
#include <string>

#include "core/HostInterfaces.h"

bool SvTagsAccessor::Init() {
    m_SvTags = g_host.cvar ? g_host.cvar->FindVar("sv_tags") : nullptr;
    return m_SvTags != nullptr;
}

bool SvTagsAccessor::IsTagSet(const char* tag) const {
    if (!m_SvTags) {
        return false;
    }
    const std::string value = m_SvTags->GetString();
    return !value.empty() && value.find(tag) != std::string::npos;
}

void SvTagsAccessor::AddTag(const char* tag) {
    if (!m_SvTags || IsTagSet(tag)) {
        return;
    }
    const std::string value = m_SvTags->GetString();
    m_SvTags->SetValue(value.empty() ? tag : (value + "," + tag).c_str());
}

namespace {

// Where `tag` stands as a whole entry of the list, or npos.
size_t FindWholeTag(const std::string& value, const std::string& tag) {
    for (size_t at = value.find(tag); at != std::string::npos; at = value.find(tag, at + 1)) {
        const size_t end = at + tag.size();
        const bool starts = at == 0 || value[at - 1] == ',';
        const bool ends = end == value.size() || value[end] == ',';
        if (starts && ends) {
            return at;
        }
    }
    return std::string::npos;
}

}  // namespace

// The tag goes with its leading comma, or first in the list with its
// trailing one. Only a whole entry goes: a longer tag that merely contains
// it belongs to someone else and stays as it is.
void SvTagsAccessor::RemoveTag(const char* tag) {
    if (!m_SvTags || !tag || !*tag) {
        return;
    }
    std::string value = m_SvTags->GetString();
    const size_t at = FindWholeTag(value, tag);
    if (at == std::string::npos) {
        return;
    }
    const size_t length = std::strlen(tag);
    if (at > 0) {
        value.erase(at - 1, length + 1);
    } else {
        value.erase(0, length + (length < value.size() ? 1 : 0));
    }
    m_SvTags->SetValue(value.c_str());
}
