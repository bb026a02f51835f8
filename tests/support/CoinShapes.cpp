#include "support/CoinShapes.h"

#include <Inventor/SoPrimitiveVertex.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/details/SoFaceDetail.h>
#include <Inventor/details/SoPointDetail.h>
#include <Inventor/nodes/SoShape.h>

namespace {

SoCallbackAction::Response startShape(void* data, SoCallbackAction*, const SoNode*)
{
    static_cast<std::vector<CoinShape>*>(data)->emplace_back();
    return SoCallbackAction::CONTINUE;
}

void addTriangle(void* data, SoCallbackAction* action, const SoPrimitiveVertex* v0, const SoPrimitiveVertex* v1,
                 const SoPrimitiveVertex* v2)
{
    const SoPrimitiveVertex* vertex[3] = { v0, v1, v2 };
    const SoFaceDetail* face = dynamic_cast<const SoFaceDetail*>(v0->getDetail());
    bool twice = false;
    for (int i = 0; i < 3; ++i) {
        const int j = (i + 1) % 3;
        if (face != nullptr && face->getNumPoints() == 3)
            twice |= face->getPoint(i)->getCoordinateIndex() == face->getPoint(j)->getCoordinateIndex();
        else if (face == nullptr)
            twice |= vertex[i]->getPoint() == vertex[j]->getPoint();
    }
    if (twice)
        return;
    CoinShape& shape = static_cast<std::vector<CoinShape>*>(data)->back();
    ++shape.faces;
    for (const SoPrimitiveVertex* v : vertex) {
        SbVec3f p;
        action->getModelMatrix().multVecMatrix(v->getPoint(), p);
        shape.box.extendBy(p);
    }
}

} // namespace

std::vector<CoinShape> coinShapes(SoNode* root)
{
    std::vector<CoinShape> shapes;
    SoCallbackAction action;
    action.addPreCallback(SoShape::getClassTypeId(), startShape, &shapes);
    action.addTriangleCallback(SoShape::getClassTypeId(), addTriangle, &shapes);
    action.apply(root);
    std::vector<CoinShape> withFaces;
    for (const CoinShape& shape : shapes)
        if (shape.faces > 0)
            withFaces.push_back(shape);
    return withFaces;
}

int coinFaceCount(const std::vector<CoinShape>& shapes)
{
    int faces = 0;
    for (const CoinShape& shape : shapes)
        faces += shape.faces;
    return faces;
}
