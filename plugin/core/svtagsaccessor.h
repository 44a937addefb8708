#pragma once

class ConVar;

// The plug-in's entries in the host's "sv_tags", a comma-separated list that
// server browsers show.
class SvTagsAccessor {
public:
    // Finds "sv_tags"; false when the host has none.
    bool Init();
    bool IsInit() const { return m_SvTags != nullptr; }
    // Whether the value holds `tag` anywhere, also inside a longer tag.
    bool IsTagSet(const char* tag) const;
    void AddTag(const char* tag);
    // Removes the tag where it stands as a whole entry of the list.
    void RemoveTag(const char* tag);
    // Forgets the host's variable (at unload).
    void Reset() { m_SvTags = nullptr; }

private:
    ConVar* m_SvTags = nullptr;
};
