// A tiny painter for the graph's primitives, standing in for the window in tests:
// fills, Bresenham lines, points, and each text as a solid box (4 x 6 pixels a
// character) so that a label shows where it was placed.
#pragma once

#include "core/utilities/FunctionGraph.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace vedra::testing {

class GraphRaster {
public:
    static constexpr int kGlyphWidth = 4;
    static constexpr int kGlyphHeight = 6;
    static constexpr utilities::GraphColour kUnpainted{1, 2, 3};

    explicit GraphRaster(const utilities::GraphPicture& picture)
        : m_width(picture.width), m_height(picture.height),
          m_pixels(static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height), kUnpainted)
    {
        for (const auto& primitive : picture.primitives)
            paint(primitive);
    }

    int width() const { return m_width; }
    int height() const { return m_height; }

    utilities::GraphColour at(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= m_width || y >= m_height)
            return kUnpainted;
        return m_pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) + static_cast<std::size_t>(x)];
    }

    // Rows of column x painted in `colour`.
    std::vector<int> rowsIn(int x, utilities::GraphColour colour) const
    {
        std::vector<int> rows;
        for (int y = 0; y < m_height; ++y)
            if (at(x, y) == colour)
                rows.push_back(y);
        return rows;
    }

private:
    void set(int x, int y, utilities::GraphColour colour)
    {
        if (x >= 0 && y >= 0 && x < m_width && y < m_height)
            m_pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) + static_cast<std::size_t>(x)] =
                colour;
    }

    void fill(int x1, int y1, int x2, int y2, utilities::GraphColour colour)
    {
        for (int y = std::min(y1, y2); y <= std::max(y1, y2); ++y)
            for (int x = std::min(x1, x2); x <= std::max(x1, x2); ++x)
                set(x, y, colour);
    }

    void line(int x1, int y1, int x2, int y2, utilities::GraphColour colour)
    {
        int dx = std::abs(x2 - x1), sx = x1 < x2 ? 1 : -1;
        int dy = -std::abs(y2 - y1), sy = y1 < y2 ? 1 : -1;
        int error = dx + dy;
        while (true) {
            set(x1, y1, colour);
            if (x1 == x2 && y1 == y2)
                return;
            int doubled = 2 * error;
            if (doubled >= dy) {
                error += dy;
                x1 += sx;
            }
            if (doubled <= dx) {
                error += dx;
                y1 += sy;
            }
        }
    }

    void paint(const utilities::GraphPrimitive& primitive)
    {
        using Kind = utilities::GraphPrimitiveKind;
        switch (primitive.kind) {
        case Kind::FillRect: fill(primitive.x1, primitive.y1, primitive.x2, primitive.y2, primitive.colour); break;
        case Kind::Line: line(primitive.x1, primitive.y1, primitive.x2, primitive.y2, primitive.colour); break;
        case Kind::Point: set(primitive.x1, primitive.y1, primitive.colour); break;
        case Kind::Text:
            fill(primitive.x1, primitive.y1,
                 primitive.x1 + static_cast<int>(primitive.text.size()) * kGlyphWidth - 1,
                 primitive.y1 + kGlyphHeight - 1, primitive.colour);
            break;
        }
    }

    int m_width;
    int m_height;
    std::vector<utilities::GraphColour> m_pixels;
};

} // namespace vedra::testing
