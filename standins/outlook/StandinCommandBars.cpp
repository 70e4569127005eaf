// The stand-in's Office command bars: the "Standard" bar of an explorer, its controls and buttons
// that take a face from the clipboard and raise Click.
#include "standins/outlook/StandinOutlook.h"

#include "platform/Handles.h"
#include "outlook/OutlookIds.h"

namespace zel::standin {

namespace {

const wchar_t* const InvalidCall = L"Invalid procedure call or argument";

} // namespace

// ---- TStandinButton

TStandinButton::TStandinButton() : TStandinObject(L"CommandBarButton", {IID__CommandBarButton})
{
    AddConnectionPoint(DIID__CommandBarButtonEvents);
    AddProperty(L"Caption", [this](const TCallArgs&) { return TOleVariant(std::wstring_view(Caption)); },
                [this](const TCallArgs& a) { Caption = a.Value().AsString(); Signal(Changed); });
    AddProperty(L"Tag", [this](const TCallArgs&) { return TOleVariant(std::wstring_view(Tag)); },
                [this](const TCallArgs& a) { Tag = a.Value().AsString(); Signal(Changed); });
    AddProperty(L"BeginGroup", [this](const TCallArgs&) { return TOleVariant(BeginGroup); },
                [this](const TCallArgs& a) { BeginGroup = a.Value().AsBoolean(); Signal(Changed); });
    AddProperty(L"Style", [this](const TCallArgs&) { return TOleVariant(Style); },
                [this](const TCallArgs& a) { Style = a.Value().AsInteger(); Signal(Changed); });
    AddProperty(L"Type", [](const TCallArgs&) { return TOleVariant(std::int32_t{1}); });
    AddProperty(L"Temporary", [this](const TCallArgs&) { return TOleVariant(Temporary); });
    AddMethod(L"PasteFace", {}, [this](const TCallArgs&) {
        PasteFace();
        Signal(Changed);
        return TOleVariant();
    });
}

void TStandinButton::PasteFace()
{
    TClipboardOpen clipboard;
    if (!clipboard.IsOpen())
        throw TStandinError(E_FAIL, L"The clipboard cannot be opened.");
    HBITMAP bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    if (!bitmap)
        throw TStandinError(E_FAIL, L"Method 'PasteFace' failed: there is no picture on the clipboard.");
    BITMAP info{};
    if (!GetObjectW(bitmap, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0)
        throw TStandinError(E_FAIL, L"Method 'PasteFace' failed: the picture cannot be read.");
    BITMAPINFO header{};
    header.bmiHeader.biSize = sizeof header.bmiHeader;
    header.bmiHeader.biWidth = info.bmWidth;
    header.bmiHeader.biHeight = -info.bmHeight; // top row first
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 32;
    header.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> pixels(static_cast<size_t>(info.bmWidth) * static_cast<size_t>(info.bmHeight));
    TScreenDC dc;
    if (GetDIBits(dc.Get(), bitmap, 0, static_cast<UINT>(info.bmHeight), pixels.data(), &header, DIB_RGB_COLORS) == 0)
        throw TStandinError(E_FAIL, L"Method 'PasteFace' failed: the picture cannot be read.");
    for (auto& p : pixels)
        p &= 0x00FFFFFF;
    FaceWidth = info.bmWidth;
    FaceHeight = info.bmHeight;
    FacePixels = std::move(pixels);
}

bool TStandinButton::Click(bool cancelDefault)
{
    VARIANT_BOOL cancel = cancelDefault ? VARIANT_TRUE : VARIANT_FALSE;
    std::vector<VARIANT> args(2);
    args[0].vt = VT_DISPATCH;
    args[0].pdispVal = Dispatch();
    args[1].vt = VT_BYREF | VT_BOOL;
    args[1].pboolVal = &cancel;
    ConnectionPoint(DIID__CommandBarButtonEvents)->Fire(dispid::CommandBarButtonClick, std::move(args));
    return cancel != VARIANT_FALSE;
}

// ---- TStandinControls

TStandinControls::TStandinControls() : TStandinObject(L"CommandBarControls", {})
{
    AddProperty(L"Count", [this](const TCallArgs&) { return TOleVariant(static_cast<std::int32_t>(FButtons.size())); });
    AddMethod(L"Item", {L"Index"}, [this](const TCallArgs& a) {
        TStandinButton* found = ItemByNameOrNumber(a, FButtons, [this](const std::wstring& c) { return Find(c); });
        if (!found)
            throw TStandinError(E_INVALIDARG, InvalidCall);
        return ObjectVariant(found);
    });
    // Office's parameters: Type, Id, Parameter, Before, Temporary. Only buttons (type 1).
    AddMethod(L"Add", {L"Type", L"Id", L"Parameter", L"Before", L"Temporary"}, [this](const TCallArgs& a) {
        if (a.Given(0) && a.Int(0) != 1)
            throw TStandinError(E_INVALIDARG, InvalidCall);
        ComPtr<TStandinButton> button = AddButton();
        button->Temporary = a.Given(4) && a.Bool(4);
        Signal(button->Changed);
        return ObjectVariant(button.Get());
    });
}

ComPtr<TStandinButton> TStandinControls::AddButton()
{
    ComPtr<TStandinButton> button = MakeStandin<TStandinButton>();
    button->Changed = FChanged;
    FButtons.push_back(button);
    Signal(FChanged);
    return button;
}

void TStandinControls::SetChangeSignal(const TChangeSignal& signal)
{
    FChanged = signal;
    for (auto& b : FButtons)
        b->Changed = signal;
}

TStandinButton* TStandinControls::Find(std::wstring_view caption) const noexcept
{
    for (const auto& b : FButtons)
        if (SameName(b->Caption, caption))
            return b.Get();
    return nullptr;
}

// ---- TStandinCommandBar, TStandinCommandBars

TStandinCommandBar::TStandinCommandBar(std::wstring name)
    : TStandinObject(L"CommandBar", {}), FName(std::move(name)), FControls(MakeStandin<TStandinControls>())
{
    AddProperty(L"Name", [this](const TCallArgs&) { return TOleVariant(std::wstring_view(FName)); });
    AddProperty(L"Controls", [this](const TCallArgs&) { return ObjectVariant(FControls.Get()); });
}

TStandinCommandBars::TStandinCommandBars()
    : TStandinObject(L"CommandBars", {}), FStandard(MakeStandin<TStandinCommandBar>(L"Standard"))
{
    AddProperty(L"Count", [this](const TCallArgs&) { return TOleVariant(std::int32_t{FStandardAvailable ? 1 : 0}); });
    AddMethod(L"Item", {L"Index"}, [this](const TCallArgs& a) {
        TOleVariant index = CopyDereferenced(a.Arg(0));
        const bool wanted = index.Type() == VT_BSTR ? SameName(index.AsString(), FStandard->Name()) : index.AsInteger() == 1;
        if (!wanted || !FStandardAvailable)
            throw TStandinError(E_INVALIDARG, InvalidCall);
        return ObjectVariant(FStandard.Get());
    });
}

} // namespace zel::standin
