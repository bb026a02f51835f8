// Registration of every Quillmap class with Open Inventor.

#include "Quillmap.h"

#include <Inventor/SoDB.h>
#include <Inventor/SoType.h>

#include "lines/SoGenerateSilhouette.h"
#include "lines/SoLineConcatenator.h"
#include "lines/SoLineCoordinateOrientation.h"
#include "lines/SoLineCoordinateIndexElement.h"
#include "lines/SoLineModifier.h"
#include "lines/SoLineParameterization.h"
#include "lines/SoLineTextureCoordinateGenerator.h"
#include "lines/SoLineTaper.h"
#include "lines/SoLineThickener.h"
#include "lines/SoLineShape.h"
#include "lines/SoLineHiddenLineRemover.h"
#include "lines/SoLinePurifier.h"
#include "lines/SoLineBezifier.h"
#include "lines/SoLineEraser.h"
#include "lines/SoLineManager.h"
#include "lines/SoLinePerturbator.h"
#include "lines/SoLineSubdivider.h"
#include "lines/SoLineParameterizationElement.h"
#include "lines/SoLineTextureCoordinateElement.h"
#include "lines/SoLineThicknessElement.h"
#include "lines/SoOrientedCoordinateElement.h"
#include "output/SoLineOutput.h"
#include "image/SoImageDitherer.h"
#include "image/SoImageFilterer.h"
#include "image/SoImageModifier.h"
#include "image/SoImagePaster.h"
#include "image/SoImageReader.h"
#include "image/SoImageSelector.h"
#include "shading/SoAlphaScreenShape.h"
#include "shading/SoCartoonShader.h"
#include "shading/SoEdgeEmphasize.h"
#include "shading/SoGenerateIlluminatedGeometry.h"
#include "shading/SoIlluminatedGeometryElement.h"
#include "util/SoClearGLBuffers.h"
#include "util/SoStopWatch.h"
#include "modify/SoModifyWingedEdge.h"
#include "wingededge/SoGenerateWingedEdge.h"
#include "wingededge/SoWingedEdge.h"
#include "wingededge/SoWingedEdgeElement.h"
#include "wingededge/SoWingedEdgeListElement.h"
#include "wingededge/SoSelectWingedEdge.h"
#include "wingededge/SoStoreWingedEdge.h"
#include "wingededge/SoWingedEdgeOutput.h"

namespace {

// Runs initClass only for a class Coin does not know yet, so that an
// application may register some classes itself before calling init().
template <class T>
void registerClass(void)
{
    if (T::getClassTypeId() == SoType::badType())
        T::initClass();
}

} // namespace

void Quillmap::init(void)
{
    if (!SoDB::isInitialized())
        SoDB::init();

    registerClass<SoWingedEdgeElement>();
    registerClass<SoWingedEdgeListElement>();
    registerClass<SoGenerateWingedEdge>();
    registerClass<SoWingedEdge>();
    registerClass<SoModifyWingedEdge>();
    registerClass<SoWingedEdgeOutput>();
    registerClass<SoStoreWingedEdge>();
    registerClass<SoSelectWingedEdge>();

    registerClass<SoLineCoordinateIndexElement>();
    registerClass<SoLineParameterizationElement>();
    registerClass<SoLineTextureCoordinateElement>();
    registerClass<SoLineThicknessElement>();
    registerClass<SoOrientedCoordinateElement>();
    registerClass<SoLineModifier>();
    registerClass<SoGenerateSilhouette>();
    registerClass<SoLineParameterization>();
    registerClass<SoLineTextureCoordinateGenerator>();
    registerClass<SoLineThickener>();
    registerClass<SoLineTaper>();
    registerClass<SoLineConcatenator>();
    registerClass<SoLineCoordinateOrientation>();
    registerClass<SoLineShape>();
    registerClass<SoLineHiddenLineRemover>();
    registerClass<SoLinePurifier>();
    registerClass<SoLineOutput>();
    registerClass<SoLineManager>();
    registerClass<SoLineEraser>();
    registerClass<SoLineBezifier>();
    registerClass<SoLinePerturbator>();
    registerClass<SoLineSubdivider>();

    registerClass<SoStopWatch>();
    registerClass<SoClearGLBuffers>();

    registerClass<SoImageModifier>();
    registerClass<SoImageSelector>();
    registerClass<SoImageFilterer>();
    registerClass<SoImageDitherer>();
    registerClass<SoImageReader>();
    registerClass<SoImagePaster>();

    registerClass<SoIlluminatedGeometryElement>();
    registerClass<SoGenerateIlluminatedGeometry>();
    registerClass<SoCartoonShader>();
    registerClass<SoAlphaScreenShape>();
    registerClass<SoEdgeEmphasize>();
}
