; The right-click screen, called when the player lets go of the right button or Escape while a
; line waits: it runs on a layer set of its own, so the scene's layers stay as they are. Its
; picture fills the screen, and a menu in window 2 closes it; command 85 brings the scene back
; exactly as it was, and the return resumes the line that was waiting. "Back to the title" goes
; to the state INIT kept with SetTitleData instead.

    ; The windows kept on top belong to the scene; this screen shows its menu alone.
    call SetWindowsOnTop(0)
    ; The history, save and load open their screens on the scene's layers, so they rest while
    ; this one is up.
    call SetSystemButtonEnabled(2, 0)
    call SetSystemButtonEnabled(3, 0)
    call SetSystemButtonEnabled(4, 0)
    call SetLayerCount(1)
    call SetMaskCount(1)
    call LoadLayer(0, "rcpanel")
    call SetLayerSourceRect(0, 0, 0, -1, -1)
    call SetLayerVisible(0, 1)
    call StartupGraphicEffect(0, 12, false, 3)
    call SetWindowTitle("vura デモ: 右クリックメニュー")
    call ChoiceMenuReady(2, gi[24], "ゲームに戻る", "音楽を止める", "音楽を流す", "タイトルに戻る", 6)

    LoadVar 24 0
    PushConst 0 3
    Compare 0
    JumpIfFalse 0 notTitle
    call TitleBack()
notTitle:

    LoadVar 24 0
    PushConst 0 1
    Compare 0
    JumpIfFalse 0 notStop
    call StopDSB(0)
notStop:
    LoadVar 24 0
    PushConst 0 2
    Compare 0
    JumpIfFalse 0 back
    call PlayDSB(0, "BGM", 1)
back:
    call SetWindowTitle("vura デモ: 文章")
    call SetWindowsOnTop(1)
    call SetSystemButtonEnabled(2, 1)
    call SetSystemButtonEnabled(3, 1)
    call SetSystemButtonEnabled(4, 1)
    call CloseRClickScreen()
    Return
