// The stand-in library's safe inspector: given an inspector of the stand-in Outlook as its
// Item, it reads and replaces that inspector's selected text through IStandinInspectorEditor.
#pragma once

#include "standins/common/StandinObject.h"
#include "standins/outlook/StandinOutlookInterfaces.h"

namespace zel::standin {

class TSafeInspector final : public TStandinObject {
public:
    TSafeInspector();

private:
    IStandinInspectorEditor& Editor() const;
    ComPtr<IDispatch> FItem;
    ComPtr<IStandinInspectorEditor> FEditor;
};

} // namespace zel::standin
