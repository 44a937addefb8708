// What every expectation reader shares: the words after "expect", the
// error of a malformed line, and the result of one that reads whole.
#pragma once

#include <optional>
#include <string>

#include "scenario/ScenarioExpectations.h"
#include "scenario/ScenarioLine.h"

namespace sim {

class ExpectationReader {
public:
    // A text as messages show it: quoted, control bytes as escapes.
    static std::string Quote(const std::string& text) {
        std::string quoted(1, '"');
        quoted.append(ScenarioLine::Display(text)).push_back('"');
        return quoted;
    }

protected:
    ExpectationReader(ScenarioArgs& args, std::string& error) : m_args(args), m_error(error) {}

    std::optional<ExpectationResult> Fail(std::string error) {
        m_error = std::move(error);
        return std::nullopt;
    }

    // The result, unless words are left over.
    std::optional<ExpectationResult> Done(bool met, std::string expected, std::string seen) {
        if (!m_args.AtEnd())
            return Fail("unexpected words after the expectation: " + m_args.Rest());
        return ExpectationResult{met, std::move(expected), std::move(seen)};
    }

    // Reads a required word.
    bool Take(std::string& word, const char* what) {
        if (m_args.AtEnd()) {
            m_error = std::string("missing ") + what;
            return false;
        }
        word = m_args.Next();
        return true;
    }

    ScenarioArgs& m_args;
    std::string& m_error;
};

}  // namespace sim
