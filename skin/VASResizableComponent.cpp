#include "skin/VASResizableComponent.h"

void VASResizableComponent::setSkinGeometry (int x, int y, int width, int height) noexcept
{
    skinX = x;
    skinY = y;
    skinWidth = width;
    skinHeight = height;
}
