; The right-click screen, called when the player lets go of the right button or Escape while a
; line waits: it runs on a layer set of its own, so the scene's layers stay as they are. Its
; picture fills the screen, and a menu in window 2 closes it; command 85 brings the scene back
; exactly as it was, and the return resumes the line that was waiting.

    ; The windows kept on top belong to the scene; this screen shows its menu alone.
    call SetWindowsOnTop(0)
    call SetLayerCount(1)
    call SetMaskCount(1)
    call LoadLayer(0, "rcpanel")
    call SetLayerSourceRect(0, 0, 0, -1, -1)
    call SetLayerVisible(0, 1)
    call StartupGraphicEffect(0, 12, false, 3)
    call SetWindowTitle("vura デモ: 右クリックメニュー")
    call ChoiceMenuReady(2, gi[24], "ゲームに戻る", "音楽を止める", "音楽を流す", 5)

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
    call CloseRClickScreen()
    Return
