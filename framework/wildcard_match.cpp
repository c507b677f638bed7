#include "framework/wildcard_match.h"
#include <vector>

namespace {

// The pattern's characters as the kernel reads them.
enum class Token { Literal, Star, DosStar, DosQuestion, DosDot };

struct PatternChar {
    Token token;
    wchar_t c;
};

std::vector<PatternChar> Tokens(std::wstring_view pattern)
{
    std::vector<PatternChar> tokens;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const wchar_t c = pattern[i];
        const wchar_t next = i + 1 < pattern.size() ? pattern[i + 1] : L'\0';
        if (c == L'?')
            tokens.push_back({Token::DosQuestion, c});
        else if (c == L'*')
            tokens.push_back({next == L'.' ? Token::DosStar : Token::Star, c});
        else if (c == L'.' && (next == L'?' || next == L'*' || i + 1 == pattern.size()))
            tokens.push_back({Token::DosDot, c});
        else
            tokens.push_back({Token::Literal, c});
    }
    return tokens;
}

}  // namespace

// The set of pattern positions reachable after each character of the name: linear in the name for
// each position of the pattern, never backtracking.
bool WildcardMatch(std::wstring_view name, std::wstring_view pattern, SameCharacter same)
{
    const std::vector<PatternChar> tokens = Tokens(pattern);
    const size_t lastDot = name.rfind(L'.');
    std::vector<char> states(tokens.size() + 1, 0), next(tokens.size() + 1, 0);
    states[0] = 1;
    for (size_t n = 0;; ++n) {
        const bool atEnd = n == name.size();
        // What matches no character here: '*', a DOS star, a DOS dot at the end, and a run of DOS
        // question marks at a dot or at the end. Every such step leads forward, so one pass in order.
        for (size_t p = 0; p < tokens.size(); ++p) {
            if (!states[p]) continue;
            const Token token = tokens[p].token;
            if (token == Token::Star || token == Token::DosStar || (token == Token::DosDot && atEnd)) {
                states[p + 1] = 1;
            } else if (token == Token::DosQuestion && (atEnd || name[n] == L'.')) {
                size_t q = p;
                while (q < tokens.size() && tokens[q].token == Token::DosQuestion) ++q;
                states[q] = 1;
            }
        }
        if (atEnd) return states[tokens.size()] != 0;
        std::fill(next.begin(), next.end(), 0);
        const wchar_t c = name[n];
        bool any = false;
        for (size_t p = 0; p < tokens.size(); ++p) {
            if (!states[p]) continue;
            const PatternChar& t = tokens[p];
            size_t to = p + 1;
            bool takes = false;
            switch (t.token) {
            case Token::Star: takes = true, to = p; break;
            case Token::DosStar: takes = lastDot == std::wstring_view::npos || n < lastDot, to = p; break;
            case Token::DosQuestion: takes = c != L'.'; break;
            case Token::DosDot: takes = c == L'.'; break;
            case Token::Literal: takes = same(c, t.c); break;
            }
            if (takes) next[to] = 1, any = true;
        }
        if (!any) return false;
        states.swap(next);
    }
}
