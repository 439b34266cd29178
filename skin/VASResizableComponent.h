#pragma once

//==============================================================================
/**
    A mix-in of the skinned widgets that remembers the geometry the skin gave a
    widget and a scale factor for it. The widgets of this program are never
    rescaled, so the values are kept as plain data.
*/
class VASResizableComponent
{
public:
    //==============================================================================
    VASResizableComponent() = default;
    virtual ~VASResizableComponent() = default;

    //==============================================================================
    /** Records the skin geometry of the widget. */
    void setSkinGeometry (int x, int y, int width, int height) noexcept;

    int getSkinX() const noexcept           { return skinX; }
    int getSkinY() const noexcept           { return skinY; }
    int getSkinWidth() const noexcept       { return skinWidth; }
    int getSkinHeight() const noexcept      { return skinHeight; }

    /** The scale factor applied to the skin geometry; 1.0 unless set. */
    void setSkinScale (double newScale) noexcept     { scale = newScale; }
    double getSkinScale() const noexcept             { return scale; }

private:
    //==============================================================================
    int skinX = 0, skinY = 0, skinWidth = 0, skinHeight = 0;
    double scale = 1.0;
};
