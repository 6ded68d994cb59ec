#pragma once

// The three themes the program is checked under: the default palette, a
// dark one and a high-contrast one (white on black, as the high-contrast
// themes of the desktops have it).

#include <QApplication>
#include <QPalette>
#include <QString>

#include <utility>
#include <vector>

struct TTestPalette
{
    QString Name;
    QPalette Palette;
};

// A palette of few colours; the bevel shades lie between window and text.
inline QPalette ThemePalette(const QColor& window, const QColor& base, const QColor& text, const QColor& highlight,
                             const QColor& highlightedText, const QColor& disabledText)
{
    QPalette p;
    // The bevel shades between window and text, so that frames and check
    // boxes show on a dark window too.
    const auto shade = [&](float share) {
        return QColor::fromRgbF(window.redF() + (text.redF() - window.redF()) * share,
                                window.greenF() + (text.greenF() - window.greenF()) * share,
                                window.blueF() + (text.blueF() - window.blueF()) * share);
    };
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const QColor shown = group == QPalette::Disabled ? disabledText : text;
        const std::pair<QPalette::ColorRole, QColor> roles[] = {
            {QPalette::Window, window},           {QPalette::WindowText, shown},
            {QPalette::Base, base},               {QPalette::AlternateBase, window},
            {QPalette::Text, shown},              {QPalette::Button, window},
            {QPalette::ButtonText, shown},        {QPalette::BrightText, text},
            {QPalette::Highlight, highlight},     {QPalette::HighlightedText, highlightedText},
            {QPalette::ToolTipBase, base},        {QPalette::ToolTipText, text},
            {QPalette::PlaceholderText, disabledText}, {QPalette::Light, shade(0.25F)},
            {QPalette::Midlight, shade(0.15F)},   {QPalette::Mid, shade(0.5F)},
            {QPalette::Dark, shade(0.6F)},        {QPalette::Shadow, shade(0.7F)},
        };
        for (const auto& [role, color] : roles) {
            p.setColor(group, role, color);
        }
    }
    return p;
}

inline QPalette DarkPalette()
{
    return ThemePalette(QColor(53, 53, 53), QColor(35, 35, 35), QColor(230, 230, 230), QColor(42, 130, 218),
                        Qt::white, QColor(127, 127, 127));
}

inline QPalette HighContrastPalette()
{
    return ThemePalette(Qt::black, Qt::black, Qt::white, QColor(26, 235, 255), Qt::black, QColor(63, 242, 63));
}

inline std::vector<TTestPalette> TestPalettes()
{
    return {{QStringLiteral("default"), QApplication::palette()},
            {QStringLiteral("dark"), DarkPalette()},
            {QStringLiteral("high-contrast"), HighContrastPalette()}};
}

// The application's palette for one scope.
class TPaletteScope
{
public:
    explicit TPaletteScope(const QPalette& palette) : m_before(QApplication::palette())
    {
        QApplication::setPalette(palette);
    }
    ~TPaletteScope() { QApplication::setPalette(m_before); }
    TPaletteScope(const TPaletteScope&) = delete;
    TPaletteScope& operator=(const TPaletteScope&) = delete;

private:
    QPalette m_before;
};
