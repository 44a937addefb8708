#include "core/svtagsaccessor.h"

#include <icvar.h>
#include <tier1/convar.h>

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

// Takes ",tag" where it stands; else the tag and the character after it
// (normally its trailing comma).
void SvTagsAccessor::RemoveTag(const char* tag) {
    if (!m_SvTags) {
        return;
    }
    std::string value = m_SvTags->GetString();
    if (value.empty()) {
        return;
    }
    const std::string withComma = std::string(",") + tag;
    size_t at = value.find(withComma);
    if (at == std::string::npos) {
        at = value.find(tag);
    }
    if (at == std::string::npos) {
        return;
    }
    value.erase(at, withComma.size());
    m_SvTags->SetValue(value.c_str());
}
