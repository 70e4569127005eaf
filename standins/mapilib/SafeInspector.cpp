#include "standins/mapilib/SafeInspector.h"

#include "mapi/RedemptionIds.h"

#include <algorithm>

namespace zel::standin {

TSafeInspector::TSafeInspector() : TStandinObject(L"SafeInspector", {redemption::IID_ISafeInspector})
{
    // The inspector is put by value (safeInspector.Item = inspector), as the library declares it.
    AddProperty(
        L"Item", [this](const TCallArgs&) { return TOleVariant(FItem.Get()); },
        [this](const TCallArgs& args) {
            ComPtr<IDispatch> inspector = args.Value().AsDispatch();
            ComPtr<IStandinInspectorEditor> editor;
            if (!inspector || FAILED(inspector->QueryInterface(IID_IStandinInspectorEditor, reinterpret_cast<void**>(editor.GetAddressOf()))))
                throw TStandinError(E_INVALIDARG, L"Item must be an inspector of the stand-in Outlook");
            FItem = inspector;
            FEditor = editor;
        });
    // The selected text of the inspector's body; putting it replaces the selection, or inserts
    // at the caret when nothing is selected.
    AddProperty(
        L"SelText",
        [this](const TCallArgs&) {
            TBStr body;
            LONG start = 0, length = 0;
            if (FAILED(Editor().GetBody(body.Receive())) || FAILED(Editor().GetSelection(&start, &length)))
                throw TStandinError(E_FAIL, L"The inspector's body cannot be read");
            const std::wstring text = body.Text();
            const size_t from = std::min(static_cast<size_t>(std::max<LONG>(start, 0)), text.size());
            return TOleVariant(text.substr(from, static_cast<size_t>(std::max<LONG>(length, 0))));
        },
        [this](const TCallArgs& args) {
            TBStr text(args.Value().AsString());
            if (HRESULT hr = Editor().ReplaceSelection(text.Get()); FAILED(hr))
                throw TStandinError(hr, L"The text cannot be inserted");
        });
}

IStandinInspectorEditor& TSafeInspector::Editor() const
{
    if (!FEditor)
        throw TStandinError(E_FAIL, L"The safe inspector has no Item");
    return *FEditor.Get();
}

} // namespace zel::standin
