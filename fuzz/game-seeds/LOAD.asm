; fuzz-game seed: a save, a load back to it, a load of a missing slot and the title state.
    call SetLayerCount(2)
    call LoadLayer(1, "room")
    call SetLayerVisible(1, 1)
    call StartupGraphicEffect(2, false, 2)
    call SetTitleData()
    call PlayDSB(0, "BGM", 1)
    call SaveNow(3)
    LoadVar 7 12           ; common int 7 is kept through the load: set, it came back
    JumpIfTrue 0 loaded
    PushRef 7 12
    PushConst 0 1
    Assign
    Pop
    call Load(3)
    call Quit()
loaded:
    call Load(7)
    call TitleBack()
    call WaitTimer(100)
    call Quit()
