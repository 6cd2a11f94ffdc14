; The history button's script, also fired by turning the wheel forward: the message history.
; Game int 27 is 1 while it is open; a wheel turn inside it fires this button again, and then
; scrolls one page back. Skip, save and load rest while the history is up.

    LoadVar 27 0
    JumpIfFalse 0 open
    call ScrollHistoryBack()
    Return
open:
    PushRef 27 0
    PushConst 0 1
    Assign
    Pop
    call SetSystemButtonEnabled(0, 0)
    call SetSystemButtonEnabled(3, 0)
    call SetSystemButtonEnabled(4, 0)
    call LoadLayer(5, "histpanel")
    call LoadMask(5, "histpanel_m")
    call SetLayerSourceRect(5, 0, 0, -1, -1)
    call SetLayerPosition(5, 0, 0)
    call SetLayerMask(5, 5)
    call SetWindowTitle("vura デモ: 履歴 (ホイールで前後、右クリックで戻る)")
    call ShowMessageHistory()
    call SetWindowTitle("vura デモ: 文章")
    call SetSystemButtonEnabled(0, 1)
    call SetSystemButtonEnabled(3, 1)
    call SetSystemButtonEnabled(4, 1)
    PushRef 27 0
    PushConst 0 0
    Assign
    Pop
    Return
