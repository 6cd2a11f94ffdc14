; The save/load screen, called by the save and load buttons' scripts; game int 25 says which
; (0 save, 1 load). It runs on the scene's own layers while the line that was waiting stays
; suspended: the scene is put out of sight (its layers hidden, the buttons and the windows kept
; on top put away), the panel shown in layer 5, and all of it put back before returning. The
; slot keeps the picture taken when the button was pressed, so it shows the scene, not this.
;
; Six slots, numbered 1 to 6 (entries 0 to 5), show their thumbnails, number, date and title,
; written by window 3; entry 6 is the back button, whose looks are in the buttons' picture
; (layer 4). The right button or Escape also goes back. Loading offers only slots that hold a
; save; saving offers every slot, and overwrites one without asking.

    call SetWindowsOnTop(0)
    call SetSystemButtonShown(0, 0)
    call SetSystemButtonShown(1, 0)
    call SetSystemButtonShown(2, 0)
    call SetSystemButtonShown(3, 0)
    call SetSystemButtonShown(4, 0)
    call SetLayerVisible(0, 0)
    call SetLayerVisible(1, 0)
    call SetLayerVisible(3, 0)
    call LoadLayer(5, "savepanel")
    call SetLayerSourceRect(5, 0, 0, -1, -1)
    call SetLayerPosition(5, 0, 0)
    call SetLayerMask(5, -1)
    call SetLayerBlend(5, -1, 0)
    call SetLayerVisible(5, 1)

    ; Game flag 1: empty slots can be picked (when saving).
    PushRef 1 2
    LoadVar 25 0
    PushConst 0 0
    Compare 0
    Assign
    Pop
    call SetWindowTitle("vura デモ: セーブ (右クリックで戻る)")
    LoadVar 25 0
    JumpIfFalse 0 titled
    call SetWindowTitle("vura デモ: ロード (右クリックで戻る)")
titled:

    call ReadyToSaveLoadClickableMap(3, gf[1], 3, "SE_HOVER", 1, "SE_CLICK", 4, 1, 1, 6, 8, true, 6, 48, 0, 0, 312, 136, 1, true, true, 322, 48, 0, 0, 312, 136, 2, true, true, 6, 190, 0, 0, 312, 136, 3, true, true, 322, 190, 0, 0, 312, 136, 4, true, true, 6, 332, 0, 0, 312, 136, 5, true, true, 322, 332, 0, 0, 312, 136, 6, true, false, 562, 8, 0, 130, 70, 26, -1, true, 73)
    call StartupGraphicEffect(0, 12, false, 3)
    call SaveLoadMapWait(26, 1)
    call ClearSaveLoadMap()

    ; The scene comes back first. A save keeps the layers as they were last drawn, so the
    ; scene is on the screen again before a slot is written.
    call SetLayerVisible(5, 0)
    call SetLayerVisible(0, 1)
    call SetLayerVisible(1, 1)
    call SetLayerVisible(3, 1)
    call SetSystemButtonShown(0, 1)
    call SetSystemButtonShown(1, 1)
    call SetSystemButtonShown(2, 1)
    call SetSystemButtonShown(3, 1)
    call SetSystemButtonShown(4, 1)
    call SetWindowsOnTop(1)
    call SetWindowTitle("vura デモ: 文章")

    ; A slot picked (entries 0 to 5): SLOTS saves or loads it. A load that works does not come
    ; back, so it goes first; a failed one leaves the scene as it was.
    LoadVar 26 0
    PushConst 0 0
    Compare 2
    JumpIfTrue 0 close
    LoadVar 26 0
    PushConst 0 5
    Compare 4
    JumpIfTrue 0 close
    LoadVar 25 0
    JumpIfFalse 0 save
    call CallSQX("SLOTS")
close:
    call StartupGraphicEffect(0, 12, false, 3)
    Return
save:
    call StartupGraphicEffect(0, 12, false, 3)
    call CallSQX("SLOTS")
    Return
