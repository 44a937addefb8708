// The process command line behind CommandLine_Tier0().
#include <tier0/icommandline.h>

#include <strings.h>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

class CCommandLine final : public ICommandLine {
public:
    void CreateCmdLine(const char* commandLine) override {
        m_line = commandLine ? commandLine : "";
        m_words = Split(m_line);
    }

    void CreateCmdLine(int argc, char** argv) override {
        m_line.clear();
        m_words.clear();
        for (int i = 0; i < argc && argv; ++i) {
            const std::string word = argv[i] ? argv[i] : "";
            if (!m_line.empty())
                m_line += ' ';
            const bool quote = word.empty() || word.find_first_of(" \t") != std::string::npos;
            m_line += quote ? "\"" + word + "\"" : word;
            m_words.push_back(word);
        }
    }

    const char* GetCmdLine() const override { return m_line.c_str(); }

    const char* CheckParm(const char* parm, const char** value) const override {
        const int index = FindParm(parm);
        if (value)
            *value = index ? ValueAt(index) : nullptr;
        return index ? m_words[static_cast<size_t>(index)].c_str() : nullptr;
    }

    int FindParm(const char* parm) const override {
        if (!parm)
            return 0;
        for (size_t i = 1; i < m_words.size(); ++i)
            if (strcasecmp(m_words[i].c_str(), parm) == 0)
                return static_cast<int>(i);
        return 0;
    }

    const char* ParmValue(const char* parm, const char* defaultValue) const override {
        const int index = FindParm(parm);
        const char* value = index ? ValueAt(index) : nullptr;
        return value ? value : defaultValue;
    }

    int ParmValue(const char* parm, int defaultValue) const override {
        const char* value = ParmValue(parm, static_cast<const char*>(nullptr));
        return value ? std::atoi(value) : defaultValue;
    }

    float ParmValue(const char* parm, float defaultValue) const override {
        const char* value = ParmValue(parm, static_cast<const char*>(nullptr));
        return value ? static_cast<float>(std::atof(value)) : defaultValue;
    }

    int ParmCount() const override { return static_cast<int>(m_words.size()); }

    const char* GetParm(int index) const override {
        if (index < 0 || static_cast<size_t>(index) >= m_words.size())
            return "";
        return m_words[static_cast<size_t>(index)].c_str();
    }

private:
    // A parameter's value is the next word unless that is a parameter itself.
    const char* ValueAt(int index) const {
        const size_t next = static_cast<size_t>(index) + 1;
        if (next >= m_words.size())
            return nullptr;
        const std::string& word = m_words[next];
        if (!word.empty() && (word[0] == '-' || word[0] == '+'))
            return nullptr;
        return word.c_str();
    }

    // Words split at blanks; double quotes group a word and are dropped.
    static std::vector<std::string> Split(const std::string& line) {
        std::vector<std::string> words;
        size_t i = 0;
        while (i < line.size()) {
            while (i < line.size() && static_cast<unsigned char>(line[i]) <= ' ')
                ++i;
            if (i >= line.size())
                break;
            std::string word;
            if (line[i] == '"') {
                const size_t end = line.find('"', i + 1);
                word =
                    line.substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1);
                i = end == std::string::npos ? line.size() : end + 1;
            } else {
                while (i < line.size() && static_cast<unsigned char>(line[i]) > ' ')
                    word += line[i++];
            }
            words.push_back(word);
        }
        return words;
    }

    std::string m_line;
    std::vector<std::string> m_words;
};

}  // namespace

ICommandLine* CommandLine_Tier0() {
    static CCommandLine commandLine;
    return &commandLine;
}
