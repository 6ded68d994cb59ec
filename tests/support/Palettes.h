#pragma once

// The three themes the program is checked under: the default palette, a
// dark one and a high-contrast one (white on black, as the high-contrast
// themes of the desktops have it).

#include <QApplication>
#include <QPalette>
#include <QString>

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
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const QColor shown = group == QPalette::Disabled ? disabledText : text;
        p.setColor(group, QPalette::Window, window);
        p.setColor(group, QPalette::WindowText, shown);
        p.setColor(group, QPalette::Base, base);
        p.setColor(group, QPalette::AlternateBase, window);
        p.setColor(group, QPalette::Text, shown);
        p.setColor(group, QPalette::Button, window);
        p.setColor(group, QPalette::ButtonText, shown);
        p.setColor(group, QPalette::BrightText, text);
        p.setColor(group, QPalette::Highlight, highlight);
        p.setColor(group, QPalette::HighlightedText, highlightedText);
        p.setColor(group, QPalette::ToolTipBase, base);
        p.setColor(group, QPalette::ToolTipText, text);
        p.setColor(group, QPalette::PlaceholderText, disabledText);
        p.setColor(group, QPalette::Light, QColor::fromRgbF(0.75F * window.redF() + 0.25F * text.redF(),
                                                            0.75F * window.greenF() + 0.25F * text.greenF(),
                                                            0.75F * window.blueF() + 0.25F * text.blueF()));
        p.setColor(group, QPalette::Midlight, window.lighter(115));
        p.setColor(group, QPalette::Mid, window.darker(130));
        p.setColor(group, QPalette::Dark, window.darker(160));
        p.setColor(group, QPalette::Shadow, Qt::black);
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
