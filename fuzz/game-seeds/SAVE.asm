; fuzz-game seed: the title state, saves and loads, the save/load screen and title back.
    call SetLayerCount(3)
    call SetMaskCount(2)
    call LoadLayer(2, "room")
    call SetLayerVisible(2, 1)
    call LoadLayer(1, "savepanel")
    call SetMessageWindowCount(1)
    call SetMessageWindowRect(0, 0, 0, 140, 120, 0, 0, 140, 120)
    call SetThumbnailSize(160, 120)
    call SetTitleData()
    call SetSaveTitle("ふゆ")
    call StartupGraphicEffect(2, false, 2)
    LoadVar 1 0
    JumpIfTrue 0 loaded
    PushRef 1 0
    PushConst 0 1
    Assign
    Pop
    call Save(1)
    call SaveNow(2)
    call ReadyToSaveLoadClickableMap(0, true, 3, "SE_HOVER", 1, "SE_CLICK", 1, 0, 0, 4, 4, true, 40, 60, 0, 0, 180, 150, 1, true, false, 240, 60, 0, 0, 180, 150, 2, true, 28)
    call ResetSaveLoadClickableMapsChoise(1, true, 240, 60, 0, 0, 180, 150, 3, true)
    call SaveLoadMapWait(3, 1)
    call ClearSaveLoadMap()
    call Load(2)
loaded:
    call Load(9)
    call TitleBack()
    call Quit()
