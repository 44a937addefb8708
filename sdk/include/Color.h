// An RGBA colour, used by coloured console output (ConColorMsg).
#pragma once

class Color {
public:
    constexpr Color() = default;
    constexpr Color(int r, int g, int b, int a = 255)
        : m_r(static_cast<unsigned char>(r)),
          m_g(static_cast<unsigned char>(g)),
          m_b(static_cast<unsigned char>(b)),
          m_a(static_cast<unsigned char>(a)) {}

    void SetColor(int r, int g, int b, int a = 255) { *this = Color(r, g, b, a); }
    void GetColor(int& r, int& g, int& b, int& a) const {
        r = m_r;
        g = m_g;
        b = m_b;
        a = m_a;
    }

    int r() const { return m_r; }
    int g() const { return m_g; }
    int b() const { return m_b; }
    int a() const { return m_a; }

    bool operator==(const Color& other) const = default;

private:
    unsigned char m_r = 0;
    unsigned char m_g = 0;
    unsigned char m_b = 0;
    unsigned char m_a = 0;
};
